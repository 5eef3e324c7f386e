#include "support/scratch_folder.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <system_error>

#include "core/support/text.h"
#include "os/files.h"
#include "os/folders.h"

namespace norda::test {

std::filesystem::path NativeFsPath(const std::u16string& programPath) {
#ifdef _WIN32
  return std::filesystem::path(std::wstring(programPath.begin(), programPath.end()));
#else
  std::string native = Utf16ToUtf8(programPath);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(native);
#endif
}

ScratchFolder::ScratchFolder() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  // The process's own temporary folder, taken once: a test may point the
  // temporary folder into a scratch folder that is gone when the next test runs.
  static const std::u16string base = [] {
    std::u16string folder = os::TempFolder();
    if (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    return folder;
  }();
  path_ = base + u"\\norda-test-" + DecimalText(static_cast<std::uint64_t>(stamp)) + u"-" +
          DecimalText(counter++);
  if (!os::CreateFolder(path_)) throw std::runtime_error("cannot create a scratch folder");
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  const auto root = NativeFsPath(path_);
  // Read-only files must become writable before they can go.
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, error);
  }
  std::filesystem::remove_all(root, error);
}

}  // namespace norda::test
