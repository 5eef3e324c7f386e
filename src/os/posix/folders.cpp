#include "os/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "os/posix/native_path.h"

namespace os {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return (value && *value) ? std::string(value) : fallback;
}

std::string Home() { return EnvOr("HOME", ""); }

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (!partial.empty() && mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string StripSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::u16string AppDataFolder() {
  const std::string home = Home();
  std::string folder = EnvOr("XDG_DATA_HOME", home.empty() ? "" : home + "/.local/share");
  folder = StripSlash(folder);
  if (folder.empty() || !MakeFolders(folder)) return {};
  return posix::ProgramPath(folder);
}

std::u16string DocumentsFolder() {
  const std::string home = Home();
  if (home.empty()) return {};
  return posix::ProgramPath(StripSlash(home) + "/Documents");
}

std::u16string TempFolder() {
  std::string folder = StripSlash(EnvOr("TMPDIR", "/tmp"));
  if (folder != "/") folder += '/';
  return posix::ProgramPath(folder);
}

std::u16string ExecutablePath() {
  std::string buffer(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0) return {};
  buffer.resize(static_cast<size_t>(n));
  return posix::ProgramPath(buffer);
}

bool CreateFolder(const std::u16string& path) {
  const std::string native = StripSlash(posix::NativePath(path));
  if (mkdir(native.c_str(), 0755) == 0) return true;
  struct stat st;
  return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::u16string CopyFallbackFolder() {
  const std::string home = StripSlash(Home());
  return posix::ProgramPath(home.empty() ? "/" : home + "/");
}

}  // namespace os
