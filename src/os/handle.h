// Open handles as the archive writer meets them: a caller's handle that it
// duplicates, writes to or reads from, and what a disk file tells of itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "os/file_time.h"

namespace os {

// The operating system's handle (HANDLE or file descriptor) as an integer.
using NativeHandle = std::intptr_t;

// True when the value can name an open handle (Windows: neither null nor
// INVALID_HANDLE_VALUE; Linux: not negative). Says nothing of whether it is open.
bool IsUsableHandle(NativeHandle handle);

// A handle of our own, closed when the object goes.
class OwnedHandle {
 public:
  OwnedHandle() = default;
  ~OwnedHandle() { Close(); }
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }
  OwnedHandle& operator=(OwnedHandle&& other) noexcept;
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  // A duplicate of a caller's handle for this process with the same access;
  // the caller's handle stays the caller's. Not open when it cannot be made.
  static OwnedHandle Duplicate(NativeHandle handle);

  bool IsOpen() const { return handle_ != kInvalid; }
  NativeHandle Get() const { return handle_; }
  void Close();

 private:
  static constexpr NativeHandle kInvalid = -1;
  explicit OwnedHandle(NativeHandle handle) : handle_(handle) {}
  NativeHandle handle_ = kInvalid;
};

inline OwnedHandle& OwnedHandle::operator=(OwnedHandle&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = kInvalid;
  }
  return *this;
}

// True when the handle is a file on disk, which can go back and forth; false
// for pipes, consoles, devices and handles that are not open.
bool IsDiskFile(NativeHandle handle);

// The handle's current file position.
std::optional<std::uint64_t> HandlePosition(NativeHandle handle);
// Moves the file position to an offset from the start of the file.
bool SeekHandle(NativeHandle handle, std::uint64_t position);

// Ends the file at the handle's current position.
bool TruncateAtPosition(NativeHandle handle);

// One system read: the count read (0 at the end, also when a pipe's writer
// has gone), or nothing on failure.
std::optional<std::size_t> ReadOnce(NativeHandle handle, void* buffer, std::size_t size);
// One system write: the count that the system reports written, 0 on failure
// (a full disk, a pipe whose reader has gone). Never retried here: a short
// count is the caller's to judge.
std::size_t WriteOnce(NativeHandle handle, const void* data, std::size_t size);

// What an open disk file tells of itself: attributes as Windows numbers them
// (kAttr... in os/files.h), size, and its times (UTC).
struct DiskFileInfo {
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  FileTime creation = 0;
  FileTime lastAccess = 0;
  FileTime lastWrite = 0;
};
std::optional<DiskFileInfo> QueryDiskFile(NativeHandle handle);

}  // namespace os
