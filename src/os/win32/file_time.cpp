#include "os/file_time.h"

#include <windows.h>

#include <ctime>

namespace os {
namespace {

FILETIME AsFiletime(FileTime time) {
  FILETIME out;
  out.dwLowDateTime = static_cast<DWORD>(time);
  out.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return out;
}

FileTime Ticks(const FILETIME& time) {
  return static_cast<FileTime>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

}  // namespace

CurrentTimes CurrentFileTimes() {
  FILETIME utc, local;
  GetSystemTimeAsFileTime(&utc);
  if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
  CurrentTimes times;
  times.utc = Ticks(utc);
  times.local = Ticks(local);
  return times;
}

void ReloadTimeZone() { _tzset(); }

std::optional<CalendarTime> SplitFileTime(FileTime time) {
  const FILETIME in = AsFiletime(time);
  SYSTEMTIME fields;
  if (!FileTimeToSystemTime(&in, &fields)) return std::nullopt;
  CalendarTime out;
  out.year = fields.wYear;
  out.month = fields.wMonth;
  out.day = fields.wDay;
  out.hour = fields.wHour;
  out.minute = fields.wMinute;
  out.second = fields.wSecond;
  return out;
}

std::optional<std::uint32_t> DosDateTime(FileTime local) {
  const FILETIME in = AsFiletime(local);
  WORD date = 0, clock = 0;
  if (!FileTimeToDosDateTime(&in, &date, &clock)) return std::nullopt;
  return static_cast<std::uint32_t>(date) << 16 | clock;
}

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
