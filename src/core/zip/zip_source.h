// Where an entry's data comes from: a file the writer opens, a caller's
// handle, a block of memory, or nothing (a folder). Knows the entry's
// attributes and times and keeps the CRC-32 and count of what it hands out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/zip/zip_archive.h"
#include "core/zip/zip_result.h"
#include "core/zip/zip_times.h"
#include "os/file.h"
#include "os/handle.h"

namespace norda::zip {

// External attributes (APPNOTE 4.4.15): the low byte holds the Windows
// attributes, the high 16 bits a Unix mode.
constexpr std::uint32_t kUnixRegularFile = 0x8000u << 16;
constexpr std::uint32_t kUnixFolder = 0x4000u << 16;
constexpr std::uint32_t kUnixOwnerRead = 0x0100u << 16;
constexpr std::uint32_t kUnixOwnerWrite = 0x0080u << 16;
constexpr std::uint32_t kUnixOwnerExecute = 0x0040u << 16;
// A source with no file behind it: a regular file, no permissions.
constexpr std::uint32_t kStreamAttributes = kUnixRegularFile;
// A folder entry: folder attribute, drwx------.
constexpr std::uint32_t kFolderAttributes = 0x41C00010u;

constexpr std::uint32_t kUnknownSize = 0xFFFFFFFFu;

// The external attributes of a disk file from its Windows attributes, plus
// owner execute when looksExecutable.
std::uint32_t DiskFileAttributes(std::uint32_t windowsAttributes, bool looksExecutable);

// The executable test: for files longer than 40 bytes, the 16-bit value at 0
// must be 0x54AD and the 32-bit value at the position read at offset 36 one
// of the known header signatures. Moves the handle's file position.
bool LooksExecutable(os::NativeHandle handle, std::uint64_t size);

class ZipSource {
 public:
  // Opens the source of one entry. On failure nothing stays open.
  ZipResult Open(const void* source, std::uint32_t length, SourceKind kind);

  // Up to size bytes into buffer; 0 at the end. Keeps the CRC and the count.
  // A failed read, or one that would take the data to kSizeLimit, ends the
  // data and is remembered.
  std::size_t Read(std::uint8_t* buffer, std::size_t size);

  // Closes the file if the writer opened it.
  void Close() { ownFile_.Close(); }

  std::uint32_t externalAttributes = 0;
  EntryTimes times;
  std::uint32_t anticipatedSize = kUnknownSize;
  std::uint64_t bytesRead = 0;
  std::uint32_t crc = 0;
  bool readFailed = false;
  bool tooLarge = false;

 private:
  ZipResult OpenHandle(os::NativeHandle handle, std::uint32_t length);

  os::File ownFile_;  // a FileName source, opened by the writer
  os::NativeHandle handle_ = -1;
  bool hasHandle_ = false;
  const std::uint8_t* memory_ = nullptr;
  std::size_t memoryLength_ = 0;
  std::size_t memoryPosition_ = 0;
};

}  // namespace norda::zip
