#include "os/files.h"

#include <windows.h>

#include "os/win32/wide.h"

namespace os {

using win32::W;

bool PathExists(const std::u16string& path) {
  return !path.empty() && GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const std::u16string& path) {
  const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(W(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyFileReplacing(const std::u16string& from, const std::u16string& to) {
  return CopyFileW(W(from), W(to), FALSE) != 0;
}

bool RemoveFile(const std::u16string& path) { return DeleteFileW(W(path)) != 0; }

std::uint32_t FileAttributesOf(const std::u16string& path) {
  return GetFileAttributesW(W(path));
}

bool SetFileAttributesTo(const std::u16string& path, std::uint32_t attributes) {
  return SetFileAttributesW(W(path), attributes) != 0;
}

}  // namespace os
