#include "core/zip/zip_source.h"

#include <cstring>

#include "core/zip/crc32.h"
#include "core/zip/zip_writer.h"
#include "os/files.h"

namespace norda::zip {
namespace {

std::uint32_t Read16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
std::uint32_t Read32(const std::uint8_t* p) {
  return Read16(p) | static_cast<std::uint32_t>(Read16(p + 2)) << 16;
}

// Fills size bytes from the file position on; false when they are not all there.
bool ReadFully(os::NativeHandle handle, std::uint8_t* buffer, std::size_t size) {
  while (size > 0) {
    const std::optional<std::size_t> n = os::ReadOnce(handle, buffer, size);
    if (!n || *n == 0) return false;
    buffer += *n;
    size -= *n;
  }
  return true;
}

}  // namespace

std::uint32_t DiskFileAttributes(std::uint32_t windows, bool looksExecutable) {
  const bool folder = (windows & os::kAttrDirectory) != 0;
  std::uint32_t attributes = windows & (os::kAttrReadOnly | os::kAttrHidden | os::kAttrSystem |
                                        os::kAttrDirectory | os::kAttrArchive);
  attributes |= folder ? kUnixFolder : kUnixRegularFile;
  attributes |= kUnixOwnerRead;
  if ((windows & os::kAttrReadOnly) == 0) attributes |= kUnixOwnerWrite;
  if (looksExecutable) attributes |= kUnixOwnerExecute;
  return attributes;
}

bool LooksExecutable(os::NativeHandle handle, std::uint64_t size) {
  constexpr std::uint32_t kMagic = 0x54AD;
  constexpr std::uint32_t kSignatures[] = {0x5A4D, 0x454E, 0x454C, 0x4550};
  if (size <= 40) return false;
  std::uint8_t head[40];
  if (!os::SeekHandle(handle, 0) || !ReadFully(handle, head, sizeof head)) return false;
  const std::uint32_t magic = Read16(head);
  const std::uint64_t position = Read32(head + 36);
  if (magic != kMagic || size <= position + 52) return false;
  std::uint8_t signature[4];
  if (!os::SeekHandle(handle, position) || !ReadFully(handle, signature, sizeof signature)) return false;
  const std::uint32_t value = Read32(signature);
  for (std::uint32_t known : kSignatures) {
    if (value == known) return true;
  }
  return false;
}

ZipResult ZipSource::Open(const void* source, std::uint32_t length, SourceKind kind) {
  bytesRead = 0;
  crc = 0;
  readFailed = false;
  tooLarge = false;
  ownFile_.Close();
  switch (kind) {
    case SourceKind::FileName: {
      const auto* path = static_cast<const char16_t*>(source);
      if (path == nullptr || *path == u'\0') return ZipResult::BadArguments;
      ownFile_ = os::File::OpenForReading(path, os::Share::Read);
      if (!ownFile_.IsOpen()) return ZipResult::OpenFailed;
      const ZipResult result = OpenHandle(ownFile_.NativeHandle(), 0);
      if (result != ZipResult::Ok) ownFile_.Close();
      return result;
    }
    case SourceKind::Handle:
      return OpenHandle(reinterpret_cast<os::NativeHandle>(source), length);
    case SourceKind::Memory:
      if (source == nullptr || length == 0) return ZipResult::BadArguments;
      if (!FitsInArchive(length)) return ZipResult::BadArguments;
      memory_ = static_cast<const std::uint8_t*>(source);
      memoryLength_ = length;
      memoryPosition_ = 0;
      externalAttributes = kStreamAttributes;
      anticipatedSize = length;
      times = TimesOfNow(os::CurrentFileTimes());
      return ZipResult::Ok;
    case SourceKind::Folder:
      externalAttributes = kFolderAttributes;
      anticipatedSize = 0;
      times = TimesOfNow(os::CurrentFileTimes());
      return ZipResult::Ok;
  }
  return ZipResult::BadArguments;
}

ZipResult ZipSource::OpenHandle(os::NativeHandle handle, std::uint32_t length) {
  if (!os::IsUsableHandle(handle)) return ZipResult::BadArguments;
  handle_ = handle;
  hasHandle_ = true;
  if (!os::IsDiskFile(handle)) {
    externalAttributes = kStreamAttributes;
    anticipatedSize = length != 0 ? length : kUnknownSize;
    times = TimesOfNow(os::CurrentFileTimes());
    return ZipResult::Ok;
  }
  const std::optional<os::DiskFileInfo> info = os::QueryDiskFile(handle);
  if (!info) return ZipResult::OpenFailed;
  if (!FitsInArchive(info->size)) return ZipResult::BadArguments;
  externalAttributes = DiskFileAttributes(info->attributes, LooksExecutable(handle, info->size));
  anticipatedSize = static_cast<std::uint32_t>(info->size);
  times = DiskFileTimes(*info, os::CurrentFileTimes());
  // The data is read from the start, whatever the caller's position was.
  if (!os::SeekHandle(handle, 0)) return ZipResult::OpenFailed;
  return ZipResult::Ok;
}

std::size_t ZipSource::Read(std::uint8_t* buffer, std::size_t size) {
  if (readFailed || tooLarge) return 0;
  std::size_t got = 0;
  if (memory_ != nullptr) {
    got = memoryLength_ - memoryPosition_ < size ? memoryLength_ - memoryPosition_ : size;
    std::memcpy(buffer, memory_ + memoryPosition_, got);
    memoryPosition_ += got;
  } else if (hasHandle_) {
    const std::optional<std::size_t> n = os::ReadOnce(handle_, buffer, size);
    if (!n) {
      readFailed = true;
      return 0;
    }
    got = *n;
  }
  if (!FitsInArchive(bytesRead + got)) {
    tooLarge = true;
    return 0;
  }
  bytesRead += got;
  crc = Crc32Update(crc, buffer, got);
  return got;
}

}  // namespace norda::zip
