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

}  // namespace os
