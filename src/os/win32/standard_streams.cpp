#include "os/standard_streams.h"

#include <windows.h>

namespace os {
namespace {

bool WriteAll(DWORD which, const void* data, std::size_t size) {
  HANDLE handle = GetStdHandle(which);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(handle, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    size -= written;
  }
  return true;
}

}  // namespace

std::optional<std::size_t> ReadStandardInput(void* buffer, std::size_t size) {
  HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return std::nullopt;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(handle, buffer, want, &got, nullptr)) {
    // A pipe whose writer has closed reports its end as a broken pipe.
    if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
    return std::nullopt;
  }
  return static_cast<std::size_t>(got);
}

bool WriteStandardOutput(const void* data, std::size_t size) {
  return WriteAll(STD_OUTPUT_HANDLE, data, size);
}

void WriteStandardError(std::string_view text) {
  WriteAll(STD_ERROR_HANDLE, text.data(), text.size());
}

}  // namespace os
