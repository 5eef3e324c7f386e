#include "os/files.h"

#include <windows.h>

#include "os/file.h"
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

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
  // A read-only file refuses to be replaced, as it refuses a write in place.
  const DWORD attributes = GetFileAttributesW(W(path));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  const std::u16string writing = path + kWritingSuffix;
  {
    File file = File::CreateForWriting(writing);
    if (!file.IsOpen()) return false;
    if (!file.Write(bytes.data(), bytes.size())) {
      file.Close();
      DeleteFileW(W(writing));
      return false;
    }
  }
  // The new file keeps what the old one was marked as.
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    SetFileAttributesW(W(writing), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  }
  if (!MoveFileExW(W(writing), W(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(W(writing));
    return false;
  }
  return true;
}

}  // namespace os
