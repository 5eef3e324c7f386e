#include "core/zip/zip_directory.h"

#include <string>

#include "core/zip/zip_records.h"
#include "core/zip/zip_writer.h"

namespace norda::zip {

ZipResult WriteCentralDirectory(ZipWriter& zip) {
  // A failed entry may have left the output position short of the end.
  if (zip.CanSeek() && !zip.SeekToEnd()) return zip.StoredError();
  const std::uint64_t start = zip.Written();
  const std::size_t count = zip.Entries().size();
  bool failed = false;
  for (const ZipEntryRecord& record : zip.Entries()) {
    // Counted whether written or not: after a failure nothing more is written.
    if (!zip.AppendCounted(CentralEntryBytes(record), !failed)) failed = true;
  }
  zip.FreeEntryRecords();
  if (failed) return ZipResult::WriteFailed;
  const std::string end = EndRecordBytes(static_cast<std::uint16_t>(count),
                                         static_cast<std::uint32_t>(zip.Written() - start),
                                         static_cast<std::uint32_t>(zip.Origin() + start));
  return zip.AppendCounted(end, true) ? ZipResult::Ok : ZipResult::WriteFailed;
}

}  // namespace norda::zip
