#include "core/zip/zip_archive.h"

#include <string>

#include "core/zip/zip_directory.h"
#include "core/zip/zip_entry.h"
#include "core/zip/zip_writer.h"
#include "os/folder_listing.h"

namespace norda::zip {
namespace {

ZipResult Finish(ZipResult result) {
  SetLastZipResult(result);
  return result;
}

// The handle checks that every call makes first.
ZipResult CheckHandle(const ZipHandle* zip) {
  if (zip == nullptr) return ZipResult::BadArguments;
  if (zip->tag != ZipHandle::kWriting || !zip->writer) return ZipResult::ModeMismatch;
  return ZipResult::Ok;
}

// Writes the central directory once; the end record must be the output's
// last bytes, also after a failed entry was written over.
ZipResult EndArchive(ZipWriter& writer) {
  if (writer.Ended()) return ZipResult::Ok;
  writer.MarkEnded();
  const ZipResult result = WriteCentralDirectory(writer);
  if (result == ZipResult::Ok && !writer.CutTail()) return ZipResult::WriteFailed;
  return result;
}

std::u16string Joined(const std::u16string& folder, const std::u16string& name) {
  return folder.empty() ? name : folder + u"\\" + name;
}

}  // namespace

ZipHandle::ZipHandle() = default;
ZipHandle::~ZipHandle() = default;

ZipHandle* ZipCreate(const void* target, std::uint32_t length, TargetKind kind) {
  ZipResult result = ZipResult::Ok;
  std::unique_ptr<ZipWriter> writer = ZipWriter::Open(target, length, kind, result);
  SetLastZipResult(result);
  if (!writer) return nullptr;
  auto* zip = new ZipHandle();
  zip->writer = std::move(writer);
  return zip;
}

ZipResult ZipAddEntry(ZipHandle* zip, const char16_t* name, const void* source, std::uint32_t length,
                      SourceKind kind) {
  const ZipResult checked = CheckHandle(zip);
  if (checked != ZipResult::Ok) return Finish(checked);
  return Finish(AddEntry(*zip->writer, name, source, length, kind));
}

bool ZipAddTree(ZipHandle* zip, const char16_t* base, const char16_t* relative) {
  const std::u16string below = relative != nullptr ? relative : u"";
  if (!below.empty()) {
    // The folder's own entry; a failure here shows in the adds below it.
    ZipAddEntry(zip, below.c_str(), nullptr, 0, SourceKind::Folder);
  }
  const std::u16string top = base != nullptr ? base : u"";
  os::FolderListing listing = os::FolderListing::Open(below.empty() ? top : top + u"\\" + below);
  if (!listing.IsOpen()) return false;
  os::FolderListing::Entry entry;
  for (;;) {
    switch (listing.Next(entry)) {
      case os::FolderListing::Step::End:
        return true;
      case os::FolderListing::Step::Failed:
        return false;
      case os::FolderListing::Step::Entry:
        break;
    }
    if (entry.name == u"." || entry.name == u"..") continue;
    const std::u16string path = Joined(below, entry.name);
    if (entry.isFolder) {
      if (!ZipAddTree(zip, base, path.c_str())) return false;
    } else if (ZipAddEntry(zip, path.c_str(), path.c_str(), 0, SourceKind::FileName) != ZipResult::Ok) {
      return false;
    }
  }
}

ZipResult ZipGetBuffer(ZipHandle* zip, const void** buffer, std::uint32_t* length) {
  const ZipResult checked = CheckHandle(zip);
  if (checked != ZipResult::Ok) {
    if (checked == ZipResult::BadArguments) {
      if (buffer != nullptr) *buffer = nullptr;
      if (length != nullptr) *length = 0;
    }
    return Finish(checked);
  }
  ZipWriter& writer = *zip->writer;
  const ZipResult ended = EndArchive(writer);
  if (ended != ZipResult::Ok) return Finish(ended);
  if (!writer.HasMemory()) return Finish(ZipResult::NotMemoryZip);
  if (buffer != nullptr) *buffer = writer.MemoryData();
  if (length != nullptr) *length = static_cast<std::uint32_t>(writer.Written());
  return Finish(ZipResult::Ok);
}

ZipResult ZipClose(ZipHandle* zip) {
  const ZipResult checked = CheckHandle(zip);
  if (checked != ZipResult::Ok) return Finish(checked);
  const ZipResult result = EndArchive(*zip->writer);
  zip->writer->Release();
  delete zip;
  return Finish(result);
}

}  // namespace norda::zip
