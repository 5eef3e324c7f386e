#include "core/zip/zip_directory.h"

#include <string>

#include "core/zip/zip_records.h"
#include "core/zip/zip_writer.h"

namespace norda::zip {

ZipResult WriteCentralDirectory(ZipWriter& zip) {
  // A failed entry may have left the output position short of the end.
  if (zip.CanSeek() && !zip.SeekTo(zip.written)) return zip.storedError;
  const std::uint64_t start = zip.written;
  const std::size_t count = zip.entries.size();
  bool failed = false;
  for (const ZipEntryRecord& record : zip.entries) {
    if (!failed) {
      const std::string bytes = CentralEntryBytes(record);
      failed = zip.Write(bytes) != bytes.size();
    }
    // Counted whether written or not: after a failure nothing more is written.
    zip.written += kCentralEntrySize + record.name.size() + record.centralExtra.size() + record.comment.size();
  }
  zip.entries.clear();
  zip.entries.shrink_to_fit();
  if (failed) return ZipResult::WriteFailed;
  const std::string end = EndRecordBytes(static_cast<std::uint16_t>(count),
                                         static_cast<std::uint32_t>(zip.written - start),
                                         static_cast<std::uint32_t>(zip.Origin() + start));
  const std::size_t n = zip.Write(end);
  zip.written += kEndRecordSize;
  return n == end.size() ? ZipResult::Ok : ZipResult::WriteFailed;
}

}  // namespace norda::zip
