// Time as Windows file times count it, and the conversions that archive
// entries need: local time, DOS date and time, Unix time.
#pragma once

#include <cstdint>
#include <optional>

namespace os {

// 100-nanosecond intervals since 1 January 1601 (UTC, or local where said).
using FileTime = std::uint64_t;

// The current time, read once, as system (UTC) and as local file time.
struct CurrentTimes {
  FileTime utc = 0;
  FileTime local = 0;
};
CurrentTimes CurrentFileTimes();

// Re-reads the process's time-zone setting, so that later local-time
// conversions follow a setting changed while the process runs.
void ReloadTimeZone();

// The calendar fields of a file time, taken as it is (no zone applied).
struct CalendarTime {
  int year = 1601;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
};
std::optional<CalendarTime> SplitFileTime(FileTime time);

// A local file time as a DOS date and time: the date in the high 16 bits,
// the time (two-second steps) in the low 16. Nothing outside 1980 to 2107.
std::optional<std::uint32_t> DosDateTime(FileTime local);

// Calendar fields read as local time with daylight saving marked off (the C
// library's mktime with tm_isdst 0), as seconds since 1 January 1970 UTC.
// Nothing when the library cannot convert them.
std::optional<std::int64_t> LocalCalendarToUnixTime(const CalendarTime& fields);

}  // namespace os
