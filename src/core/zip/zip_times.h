// The times that an entry carries: the DOS date and time of its headers and
// the three Unix times of its "UT" extra fields.
#pragma once

#include <cstdint>

#include "os/file_time.h"
#include "os/handle.h"

namespace norda::zip {

struct EntryTimes {
  std::uint32_t dosDateTime = 0;  // date in the high half, time in the low half
  std::uint32_t modified = 0;     // Unix times
  std::uint32_t accessed = 0;
  std::uint32_t created = 0;
};

// A disk file's times: its UTC times moved to local time by the current
// difference between local and system time; the DOS date and time from the
// local last-write time.
EntryTimes DiskFileTimes(const os::DiskFileInfo& file, const os::CurrentTimes& now);

// The current local time, for entries that have no file behind them.
EntryTimes TimesOfNow(const os::CurrentTimes& now);

// A local file time as a Unix time: years before 1970 become 1 January 1970,
// years after 2037 become 31 December 2037 (time of day kept), and the fields
// are read as local time with daylight saving marked off.
std::uint32_t UnixTimeOfLocal(os::FileTime local);

// A local file time as DOS date and time; times outside the DOS calendar
// (1980 to 2107) give its first day, 1 January 1980, 00:00.
std::uint32_t DosTimeOfLocal(os::FileTime local);

}  // namespace norda::zip
