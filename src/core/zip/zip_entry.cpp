#include "core/zip/zip_entry.h"

#include <string>

#include "core/support/ansi_text.h"
#include "core/zip/deflate.h"
#include "core/zip/zip_records.h"
#include "core/zip/zip_source.h"
#include "core/zip/zip_writer.h"
#include "os/code_page.h"

namespace norda::zip {
namespace {

// What writing an entry's data came to.
struct DataOutcome {
  std::uint64_t written = 0;  // bytes that reached the output
  bool writeFailed = false;   // a write failed or was short
  bool tooLarge = false;      // the data would have reached kSizeLimit
  bool flateFailed = false;   // the compressor reported an internal error
};

// Writes entry data at the end of the archive, refusing what would take the
// archive to kSizeLimit.
std::size_t WriteData(ZipWriter& zip, const std::uint8_t* data, std::size_t size, DataOutcome& outcome) {
  if (outcome.writeFailed || outcome.tooLarge) return 0;
  if (!FitsInArchive(zip.EndOffset() + size)) {
    outcome.tooLarge = true;
    return 0;
  }
  const std::size_t n = zip.Append(data, size);
  outcome.written += n;
  if (n != size) outcome.writeFailed = true;
  return n;
}

// The compressor's input and output, through the source and the writer.
class EntryStreams : public DeflateStreams {
 public:
  EntryStreams(ZipWriter& zip, ZipSource& source, DataOutcome& outcome)
      : zip_(zip), source_(source), outcome_(outcome) {}

  std::size_t Read(std::uint8_t* buffer, std::size_t size) override { return source_.Read(buffer, size); }

  void Flush(const std::uint8_t* data, std::size_t& size) override {
    if (size == 0) return;
    // A short write has lost bytes of the stream: the entry is failed, and
    // what the compressor sends after that is dropped.
    if (WriteData(zip_, data, size, outcome_) > 0) size = 0;
  }

 private:
  ZipWriter& zip_;
  ZipSource& source_;
  DataOutcome& outcome_;
};

DataOutcome Deflate(ZipWriter& zip, ZipSource& source, std::uint16_t& flags) {
  DataOutcome outcome;
  EntryStreams streams(zip, source, outcome);
  const DeflateResult result = DeflateEntry(kDeflateLevel, flags, streams, zip.Buffer(), kWorkingBufferSize);
  if (result.error != nullptr) outcome.flateFailed = true;
  // The compressor counts what it handed to Flush; what reached the output
  // must be the same.
  if (!outcome.tooLarge && result.compressedSize != outcome.written) outcome.writeFailed = true;
  return outcome;
}

DataOutcome Store(ZipWriter& zip, ZipSource& source) {
  DataOutcome outcome;
  for (;;) {
    const std::size_t n = source.Read(zip.Buffer(), kWorkingBufferSize);
    if (n == 0) break;
    if (WriteData(zip, zip.Buffer(), n, outcome) != n) break;
  }
  return outcome;
}

// Writes the local header and the data, then fixes the header in place or
// follows the data with a data descriptor. The record gets the entry's
// final values.
ZipResult WriteEntry(ZipWriter& zip, ZipSource& input, ZipEntryRecord& record, const std::string& header,
                     bool stored, SourceKind kind) {
  if (zip.Append(header) != header.size()) return ZipResult::WriteFailed;
  if (zip.StoredError() != ZipResult::Ok) return zip.StoredError();

  DataOutcome data;
  if (kind != SourceKind::Folder) data = stored ? Store(zip, input) : Deflate(zip, input, record.flags);
  input.Close();
  if (zip.StoredError() != ZipResult::Ok) return zip.StoredError();
  if (data.tooLarge || input.tooLarge) return ZipResult::BadArguments;
  if (input.readFailed) return ZipResult::ReadFailed;
  // A compressor fault is a failed write of the entry as far as callers can tell.
  if (data.writeFailed || data.flateFailed) return ZipResult::WriteFailed;

  record.crc = input.crc;
  record.compressedSize = static_cast<std::uint32_t>(data.written);
  record.uncompressedSize = static_cast<std::uint32_t>(input.bytesRead);
  if (zip.CanSeek()) {
    // Fix the header in place: sizes known, no data descriptor needed.
    if ((record.flags & kFlagEncrypted) == 0) record.flags &= ~kFlagDataDescriptor;
    record.localFlags = record.flags;
    const ZipResult fixed = zip.Overwrite(record.localHeaderOffset - zip.Origin(), LocalHeaderBytes(record));
    if (fixed != ZipResult::Ok) return fixed;
  } else {
    // The header is out of reach: a stored entry must have had its size
    // right in it, and the sizes follow the data.
    if (stored && input.anticipatedSize != record.compressedSize) return ZipResult::NoChange;
    const std::string descriptor = DataDescriptorBytes(record);
    if (!FitsInArchive(zip.EndOffset() + descriptor.size())) return ZipResult::BadArguments;
    if (zip.Append(descriptor) != descriptor.size()) return ZipResult::WriteFailed;
    record.flags = record.localFlags;
  }
  return zip.StoredError();
}

}  // namespace

bool IsStoredName(std::string_view name) {
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = name.substr(dot);
  for (const char* stored : StoredExtensions) {
    const std::string_view candidate(stored);
    if (candidate.size() != extension.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < candidate.size() && same; ++i) {
      char a = extension[i], b = candidate[i];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
      same = a == b;
    }
    if (same) return true;
  }
  return false;
}

ZipResult AddEntry(ZipWriter& zip, const char16_t* name, const void* source, std::uint32_t length,
                   SourceKind kind) {
  if (zip.StoredError() != ZipResult::Ok) return ZipResult::AlreadyFailed;
  if (zip.Ended()) return ZipResult::AlreadyEnded;
  if (name == nullptr || *name == u'\0') return ZipResult::BadArguments;
  const std::uint32_t codePage = os::AnsiCodePage();
  std::string entryName = os::FromUtf16(name, codePage);
  if (entryName.empty()) return ZipResult::BadArguments;  // the conversion failed
  ReplaceAnsi(entryName, '\\', '/', codePage);
  const bool folderLacksSlash = kind == SourceKind::Folder && entryName.back() != '/';
  const bool stored = kind == SourceKind::Folder || IsStoredName(entryName);
  if (folderLacksSlash) entryName += '/';
  if (entryName.size() > kLongestName || zip.Entries().size() >= kMostEntries) {
    return ZipResult::BadArguments;
  }

  ZipSource input;
  const ZipResult opened = input.Open(source, length, kind);
  if (opened != ZipResult::Ok) return opened;

  ZipEntryRecord record;
  record.method = stored ? kMethodStored : kMethodDeflated;
  record.dosDateTime = input.times.dosDateTime;
  const bool sizeKnown = input.anticipatedSize != kUnknownSize;
  record.compressedSize = stored && sizeKnown ? input.anticipatedSize : 0;
  record.uncompressedSize = input.anticipatedSize;
  record.externalAttributes = input.externalAttributes;
  record.name = entryName;
  record.localExtra = LocalTimeExtra(input.times.modified, input.times.accessed, input.times.created);
  record.centralExtra = CentralTimeExtra(input.times.modified);

  const std::string header = LocalHeaderBytes(record);
  if (!FitsInArchive(zip.EndOffset() + header.size()) ||
      (stored && sizeKnown && !FitsInArchive(zip.EndOffset() + header.size() + input.anticipatedSize))) {
    return ZipResult::BadArguments;
  }
  record.localHeaderOffset = static_cast<std::uint32_t>(zip.EndOffset());
  const std::uint64_t entryStart = zip.Written();
  const ZipResult result = WriteEntry(zip, input, record, header, stored, kind);
  if (result != ZipResult::Ok) {
    // A seekable output goes back to where the entry began, so that nothing
    // of it stays between the entries that readers walk over.
    if (zip.CanSeek() && zip.StoredError() == ZipResult::Ok && zip.Written() != entryStart) {
      zip.RewindTo(entryStart);
    }
    return result;
  }
  zip.AddEntryRecord(std::move(record));
  return ZipResult::Ok;
}

}  // namespace norda::zip
