// Under Wine a Windows program can start a Linux program: CreateProcessW on a
// Linux path runs it. The handle that comes back cannot be waited on.
#include <windows.h>

#include "core/support/text.h"
#include "mail/peer_server.h"

namespace norda::test {

std::string PeerPath(const std::u16string& programPath) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  static const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return {};
  char* name = unixName(reinterpret_cast<const wchar_t*>(programPath.c_str()));
  if (!name) return {};
  std::string path(name);
  HeapFree(GetProcessHeap(), 0, name);
  return path;
}

bool StartShell(const std::string& script) {
  std::u16string line = u"/bin/sh " + Utf8ToUtf16(script);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace norda::test
