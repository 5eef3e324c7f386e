#include "os/file_time.h"

#include <time.h>

namespace os {
namespace {

constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr std::uint64_t kTicksPerSecond = 10000000;

// Days since 1 January 1970 to a civil date (proleptic Gregorian calendar).
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

CurrentTimes CurrentFileTimes() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  CurrentTimes times;
  times.utc = static_cast<FileTime>(now.tv_sec + kSecondsFrom1601To1970) * kTicksPerSecond +
              static_cast<FileTime>(now.tv_nsec / 100);
  struct tm local;
  const time_t seconds = now.tv_sec;
  const long offset = localtime_r(&seconds, &local) ? local.tm_gmtoff : 0;
  times.local = static_cast<FileTime>(static_cast<std::int64_t>(times.utc) +
                                      static_cast<std::int64_t>(offset) * 10000000);
  return times;
}

void ReloadTimeZone() { tzset(); }

std::optional<CalendarTime> SplitFileTime(FileTime time) {
  const std::int64_t seconds = static_cast<std::int64_t>(time / kTicksPerSecond) - kSecondsFrom1601To1970;
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  CalendarTime fields;
  CivilFromDays(days, fields.year, fields.month, fields.day);
  fields.hour = static_cast<int>(rest / 3600);
  fields.minute = static_cast<int>(rest / 60 % 60);
  fields.second = static_cast<int>(rest % 60);
  return fields;
}

std::optional<std::uint32_t> DosDateTime(FileTime local) {
  const std::optional<CalendarTime> f = SplitFileTime(local);
  if (!f || f->year < 1980 || f->year > 2107) return std::nullopt;
  const std::uint32_t date = static_cast<std::uint32_t>(((f->year - 1980) << 9) | (f->month << 5) | f->day);
  const std::uint32_t clock = static_cast<std::uint32_t>((f->hour << 11) | (f->minute << 5) | (f->second / 2));
  return date << 16 | clock;
}

}  // namespace os
