// The file reads that are the same on every system: built on os::File.
#include "os/file.h"
#include "os/files.h"

namespace os {

std::optional<std::uint64_t> ExclusiveReadSize(const std::u16string& path) {
  File file = File::OpenForReading(path, Share::None);
  if (!file.IsOpen()) return std::nullopt;
  return file.Size();
}

bool ReadWholeFile(const std::u16string& path, std::string& bytes) {
  File file = File::OpenForReading(path, Share::Read);
  if (!file.IsOpen()) return false;
  bytes.clear();
  char buffer[65536];
  for (;;) {
    const auto n = file.Read(buffer, sizeof buffer);
    if (!n) return false;
    if (*n == 0) return true;
    bytes.append(buffer, *n);
  }
}

}  // namespace os
