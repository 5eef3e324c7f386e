#include "os/handle.h"

#include <windows.h>

namespace os {
namespace {

HANDLE AsHandle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

FileTime Ticks(const FILETIME& time) {
  return static_cast<FileTime>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

}  // namespace

bool IsUsableHandle(NativeHandle handle) {
  return handle != 0 && AsHandle(handle) != INVALID_HANDLE_VALUE;
}

OwnedHandle OwnedHandle::Duplicate(NativeHandle handle) {
  if (!IsUsableHandle(handle)) return OwnedHandle();
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), AsHandle(handle), GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return OwnedHandle();
  }
  return OwnedHandle(reinterpret_cast<NativeHandle>(copy));
}

void OwnedHandle::Close() {
  if (IsOpen()) {
    CloseHandle(AsHandle(handle_));
    handle_ = kInvalid;
  }
}

bool IsDiskFile(NativeHandle handle) {
  return IsUsableHandle(handle) && GetFileType(AsHandle(handle)) == FILE_TYPE_DISK;
}

std::optional<std::uint64_t> HandlePosition(NativeHandle handle) {
  LARGE_INTEGER zero = {};
  LARGE_INTEGER position = {};
  if (!IsUsableHandle(handle) || !SetFilePointerEx(AsHandle(handle), zero, &position, FILE_CURRENT)) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(position.QuadPart);
}

bool SeekHandle(NativeHandle handle, std::uint64_t position) {
  LARGE_INTEGER wanted;
  wanted.QuadPart = static_cast<LONGLONG>(position);
  return IsUsableHandle(handle) && wanted.QuadPart >= 0 &&
         SetFilePointerEx(AsHandle(handle), wanted, nullptr, FILE_BEGIN);
}

bool TruncateAtPosition(NativeHandle handle) {
  return IsUsableHandle(handle) && SetEndOfFile(AsHandle(handle));
}

std::optional<std::size_t> ReadOnce(NativeHandle handle, void* buffer, std::size_t size) {
  if (!IsUsableHandle(handle)) return std::nullopt;
  DWORD got = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!ReadFile(AsHandle(handle), buffer, want, &got, nullptr)) {
    // A pipe whose writer has closed its end has simply ended.
    if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
    return std::nullopt;
  }
  return static_cast<std::size_t>(got);
}

std::size_t WriteOnce(NativeHandle handle, const void* data, std::size_t size) {
  if (!IsUsableHandle(handle)) return 0;
  DWORD written = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!WriteFile(AsHandle(handle), data, want, &written, nullptr)) return 0;
  return static_cast<std::size_t>(written);
}

std::optional<DiskFileInfo> QueryDiskFile(NativeHandle handle) {
  BY_HANDLE_FILE_INFORMATION about;
  if (!IsUsableHandle(handle) || !GetFileInformationByHandle(AsHandle(handle), &about)) {
    return std::nullopt;
  }
  DiskFileInfo info;
  info.attributes = about.dwFileAttributes;
  info.size = static_cast<std::uint64_t>(about.nFileSizeHigh) << 32 | about.nFileSizeLow;
  info.creation = Ticks(about.ftCreationTime);
  info.lastAccess = Ticks(about.ftLastAccessTime);
  info.lastWrite = Ticks(about.ftLastWriteTime);
  return info;
}

}  // namespace os
