#include "os/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "os/posix/lock.h"
#include "os/posix/native_path.h"

namespace os {
namespace {

int OpenLocked(const std::u16string& path, int flags, bool lock, bool exclusive) {
  const std::string native = posix::NativePath(path);
  if ((flags & (O_WRONLY | O_RDWR)) && posix::IsReadOnlyFile(native.c_str())) return -1;
  // Truncation waits until the lock is held, so a refused open changes nothing.
  const int fd = ::open(native.c_str(), (flags & ~O_TRUNC) | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
      (lock && !posix::LockWholeFile(fd, exclusive)) ||
      ((flags & O_TRUNC) && ftruncate(fd, 0) != 0)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

File File::OpenForReading(const std::u16string& path, Share share) {
  return File(OpenLocked(path, O_RDONLY, share != Share::ReadWrite, share == Share::None));
}

File File::CreateForWriting(const std::u16string& path) {
  return File(OpenLocked(path, O_WRONLY | O_CREAT | O_TRUNC, true, true));
}

File File::CreateForReadWrite(const std::u16string& path) {
  return File(OpenLocked(path, O_RDWR | O_CREAT | O_TRUNC, true, true));
}

File File::OpenExistingForWriting(const std::u16string& path) {
  return File(OpenLocked(path, O_WRONLY, true, true));
}

std::optional<std::size_t> File::Read(void* buffer, std::size_t size) {
  if (!IsOpen()) return std::nullopt;
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return std::nullopt;
  }
}

bool File::Write(const void* data, std::size_t size) {
  if (!IsOpen()) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(handle_), p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<std::uint64_t> File::Size() const {
  struct stat st;
  if (!IsOpen() || fstat(static_cast<int>(handle_), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

void File::Close() {
  if (IsOpen()) {
    ::close(static_cast<int>(handle_));
    handle_ = kInvalid;
  }
}

}  // namespace os
