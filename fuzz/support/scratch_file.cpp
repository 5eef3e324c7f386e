#include "support/scratch_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fuzz {
namespace {

class ScratchFolder {
 public:
  ScratchFolder() {
    // Memory-backed when the system has it: a run rewrites its files
    // thousands of times a second, and truncating a disk file is slow.
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp ? tmp : "/tmp";
    if (std::filesystem::is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0) base = "/dev/shm";
    std::string pattern = base + "/norda-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) Fail("cannot make a scratch folder");
    folder_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
};

const std::string& Folder() {
  static ScratchFolder folder;
  return folder.Folder();
}

std::string NativePath(const std::u16string& path) {
  std::string native;
  for (char16_t c : path) native += c == u'\\' ? '/' : static_cast<char>(c);
  return native;
}

}  // namespace

std::u16string ScratchPath(std::string_view name) {
  std::u16string path;
  for (char c : Folder() + "/" + std::string(name)) path += c == '/' ? u'\\' : char16_t(c);
  return path;
}

void WriteScratchFile(const std::u16string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) Fail("cannot write a scratch file");
}

std::string ReadScratchFile(const std::u16string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Fail(const char* what) {
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

}  // namespace fuzz
