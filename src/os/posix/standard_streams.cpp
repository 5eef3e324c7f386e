#include "os/standard_streams.h"

#include <unistd.h>

#include <cerrno>

namespace os {
namespace {

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::size_t> ReadStandardInput(void* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return std::nullopt;
  }
}

bool WriteStandardOutput(const void* data, std::size_t size) {
  return WriteAll(STDOUT_FILENO, data, size);
}

void WriteStandardError(std::string_view text) {
  WriteAll(STDERR_FILENO, text.data(), text.size());
}

}  // namespace os
