#include "os/file.h"

#include <windows.h>

#include "os/win32/wide.h"

namespace os {
namespace {

DWORD ShareFlags(Share share) {
  switch (share) {
    case Share::None: return 0;
    case Share::Read: return FILE_SHARE_READ;
    case Share::ReadWrite: return FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
  return 0;
}

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::intptr_t Open(const std::u16string& path, DWORD access, DWORD share, DWORD disposition) {
  HANDLE h = CreateFileW(win32::W(path), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<std::intptr_t>(h);
}

}  // namespace

File File::OpenForReading(const std::u16string& path, Share share) {
  return File(Open(path, GENERIC_READ, ShareFlags(share), OPEN_EXISTING));
}

File File::CreateForWriting(const std::u16string& path) {
  return File(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS));
}

File File::CreateForReadWrite(const std::u16string& path) {
  return File(Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS));
}

File File::OpenExistingForWriting(const std::u16string& path) {
  return File(Open(path, GENERIC_WRITE, 0, OPEN_EXISTING));
}

std::optional<std::size_t> File::Read(void* buffer, std::size_t size) {
  if (!IsOpen()) return std::nullopt;
  DWORD got = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!ReadFile(AsHandle(handle_), buffer, want, &got, nullptr)) return std::nullopt;
  return static_cast<std::size_t>(got);
}

bool File::Write(const void* data, std::size_t size) {
  if (!IsOpen()) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(AsHandle(handle_), p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    size -= written;
  }
  return true;
}

std::optional<std::uint64_t> File::Size() const {
  LARGE_INTEGER size;
  if (!IsOpen() || !GetFileSizeEx(AsHandle(handle_), &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

void File::Close() {
  if (IsOpen()) {
    CloseHandle(AsHandle(handle_));
    handle_ = kInvalid;
  }
}

}  // namespace os
