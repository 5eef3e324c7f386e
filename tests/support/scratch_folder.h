// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace norda::test {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder in the program's path form ("\" separators), without final "\".
  const std::u16string& Path() const { return path_; }
  // Path() + "\" + name.
  std::u16string operator/(const std::u16string& name) const { return path_ + u"\\" + name; }

 private:
  std::u16string path_;
};

// The system's path for a program path, for std::filesystem.
std::filesystem::path NativeFsPath(const std::u16string& programPath);

}  // namespace norda::test
