#include "os/version_resource.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "os/win32/wide.h"

namespace os {
namespace {

// The value of one string of the first translation; empty when it is absent.
std::u16string QueryString(std::vector<char>& data, const wchar_t* name) {
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translation = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &size) ||
      !translation || size < sizeof(Translation)) {
    return {};
  }
  wchar_t query[128];
  swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language,
           translation->codePage, name);
  wchar_t* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&text), &length) || !text) {
    return {};
  }
  return win32::U16(text);
}

}  // namespace

bool ReadVersionResource(const std::u16string& path, VersionResource& resource) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(win32::W(path), &ignored);
  if (size == 0) return false;
  // One byte more than reported, zero-filled, so a string at the very end is terminated.
  std::vector<char> data(size + 1, '\0');
  if (!GetFileVersionInfoW(win32::W(path), 0, size, data.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
      fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  resource.fileVersionMS = fixed->dwFileVersionMS;
  resource.fileVersionLS = fixed->dwFileVersionLS;
  resource.productVersionMS = fixed->dwProductVersionMS;
  resource.productVersionLS = fixed->dwProductVersionLS;
  resource.fileFlags = fixed->dwFileFlags;
  resource.fileOS = fixed->dwFileOS;
  resource.fileType = fixed->dwFileType;
  resource.fileSubtype = fixed->dwFileSubtype;
  resource.companyName = QueryString(data, L"CompanyName");
  resource.fileDescription = QueryString(data, L"FileDescription");
  resource.productName = QueryString(data, L"ProductName");
  return true;
}

}  // namespace os
