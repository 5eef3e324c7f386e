#include "core/zip/zip_times.h"

namespace norda::zip {
namespace {

// 1 January 1980, 00:00:00 as DOS date (high half) and time (low half).
constexpr std::uint32_t kFirstDosDay = (0u << 9 | 1u << 5 | 1u) << 16;

os::FileTime ToLocal(os::FileTime utc, const os::CurrentTimes& now) {
  const std::int64_t shift = static_cast<std::int64_t>(now.local) - static_cast<std::int64_t>(now.utc);
  return static_cast<os::FileTime>(static_cast<std::int64_t>(utc) + shift);
}

}  // namespace

std::uint32_t UnixTimeOfLocal(os::FileTime local) {
  os::CalendarTime fields;
  if (const std::optional<os::CalendarTime> split = os::SplitFileTime(local)) fields = *split;
  // The 32-bit field of the extra field counts from 1970 and runs out in 2038.
  if (fields.year < 1970) {
    fields.year = 1970;
    fields.month = 1;
    fields.day = 1;
  } else if (fields.year > 2037) {
    fields.year = 2037;
    fields.month = 12;
    fields.day = 31;
  }
  const std::optional<std::int64_t> value = os::LocalCalendarToUnixTime(fields);
  return value ? static_cast<std::uint32_t>(*value) : 0xFFFFFFFFu;
}

std::uint32_t DosTimeOfLocal(os::FileTime local) {
  return os::DosDateTime(local).value_or(kFirstDosDay);
}

EntryTimes DiskFileTimes(const os::DiskFileInfo& file, const os::CurrentTimes& now) {
  const os::FileTime written = ToLocal(file.lastWrite, now);
  EntryTimes times;
  times.dosDateTime = DosTimeOfLocal(written);
  times.modified = UnixTimeOfLocal(written);
  times.accessed = UnixTimeOfLocal(ToLocal(file.lastAccess, now));
  times.created = UnixTimeOfLocal(ToLocal(file.creation, now));
  return times;
}

EntryTimes TimesOfNow(const os::CurrentTimes& now) {
  EntryTimes times;
  times.dosDateTime = DosTimeOfLocal(now.local);
  times.modified = UnixTimeOfLocal(now.local);
  times.accessed = times.modified;
  times.created = times.modified;
  return times;
}

}  // namespace norda::zip
