// Under Wine a Windows program can start a Linux program: CreateProcessW on
// its path on drive Z: runs it. The handle that comes back cannot be waited
// on, so the peer's own stop and exited files bound its life instead.
#include <windows.h>

#include "core/support/text.h"
#include "mail/peer_server.h"

namespace norda::test {

std::string PeerPath(const std::u16string& programPath) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  static const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return {};
  char* name = unixName(reinterpret_cast<const wchar_t*>(programPath.c_str()));
  if (!name) return {};
  std::string path(name);
  HeapFree(GetProcessHeap(), 0, name);
  return path;
}

namespace {

// Quoting of one argument for the command line (the rules of CommandLineToArgvW).
std::wstring Quoted(const std::string& argument) {
  const std::u16string wide = Utf8ToUtf16(argument);
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (char16_t c : wide) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == u'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += static_cast<wchar_t>(c);
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

}  // namespace

long long StartPeerProcess(const std::vector<std::string>& commandLine) {
  std::wstring line;
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    std::string argument = commandLine[i];
    if (i == 0) {
      // The interpreter, seen from Windows on the drive that maps "/".
      argument = "Z:" + argument;
      for (char& c : argument) {
        if (c == '/') c = '\\';
      }
    }
    if (!line.empty()) line += L' ';
    line += Quoted(argument);
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return 0;
  }
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  return 1;
}

bool PeerProcessRunning(long long) { return true; }

void EndPeerProcess(long long) {}

}  // namespace norda::test
