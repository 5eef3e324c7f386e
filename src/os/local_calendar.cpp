// Calendar fields read as local time, the same on every system: the C
// library's conversion follows the process's time-zone setting.
#include <ctime>

#include "os/file_time.h"

namespace os {

std::optional<std::int64_t> LocalCalendarToUnixTime(const CalendarTime& fields) {
  struct tm t = {};
  t.tm_year = fields.year - 1900;
  t.tm_mon = fields.month - 1;
  t.tm_mday = fields.day;
  t.tm_hour = fields.hour;
  t.tm_min = fields.minute;
  t.tm_sec = fields.second;
  t.tm_isdst = 0;
  const time_t value = mktime(&t);
  if (value == static_cast<time_t>(-1)) return std::nullopt;
  return static_cast<std::int64_t>(value);
}

}  // namespace os
