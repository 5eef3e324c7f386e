#include "support/user_folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/support/text.h"
#include "os/folders.h"

namespace norda::test {

void UseScratchUserFolders(const ScratchFolder& folder) {
#ifndef _WIN32
  const std::string root = NativeFsPath(folder.Path()).string();
  setenv("HOME", root.c_str(), 1);
  setenv("XDG_DATA_HOME", (root + "/appdata").c_str(), 1);
  setenv("TMPDIR", (root + "/temp").c_str(), 1);
  os::CreateFolder(folder / u"temp");
  os::CreateFolder(folder / u"Documents");
#else
  (void)folder;
  std::error_code error;
  std::filesystem::remove_all(NativeFsPath(os::AppDataFolder() + u"\\CrashReport"), error);
#endif
}

}  // namespace norda::test
