#include "os/folders.h"

#include <windows.h>
#include <shlobj.h>

#include "os/win32/wide.h"

namespace os {

using win32::U16;
using win32::W;

std::u16string AppDataFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                              SHGFP_TYPE_CURRENT, path))) {
    return {};
  }
  return U16(path);
}

std::u16string DocumentsFolder() {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &list)) || !list) return {};
  wchar_t path[MAX_PATH] = {};
  const BOOL ok = SHGetPathFromIDListW(list, path);
  CoTaskMemFree(list);
  return ok ? U16(path) : std::u16string();
}

std::u16string TempFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, path);
  if (n == 0 || n > MAX_PATH) return {};
  return U16(path, n);
}

std::u16string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return U16(buffer.c_str(), n);
    buffer.resize(buffer.size() * 2);
  }
}

bool CreateFolder(const std::u16string& path) {
  if (CreateDirectoryW(W(path), nullptr)) return true;
  const DWORD attributes = GetFileAttributesW(W(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::u16string CopyFallbackFolder() { return u"c:\\"; }

}  // namespace os
