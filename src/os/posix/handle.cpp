#include "os/handle.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>
#include <string>

#include "os/files.h"

namespace os {
namespace {

int Fd(NativeHandle handle) { return static_cast<int>(handle); }

// File times count 100 ns from 1601; Unix times count seconds from 1970.
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

FileTime FromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
  if (seconds < -kSecondsFrom1601To1970) return 0;
  return static_cast<FileTime>(seconds + kSecondsFrom1601To1970) * 10000000u +
         static_cast<FileTime>(nanoseconds / 100);
}

// The file name behind a descriptor, for the hidden attribute ("." names).
std::string NameOf(int fd) {
  char link[PATH_MAX];
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = readlink(proc.c_str(), link, sizeof link - 1);
  if (n <= 0) return {};
  const std::string path(link, static_cast<std::size_t>(n));
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool IsUsableHandle(NativeHandle handle) { return handle >= 0 && handle <= INT_MAX; }

OwnedHandle OwnedHandle::Duplicate(NativeHandle handle) {
  if (!IsUsableHandle(handle)) return OwnedHandle();
  const int fd = fcntl(Fd(handle), F_DUPFD_CLOEXEC, 0);
  return fd < 0 ? OwnedHandle() : OwnedHandle(fd);
}

void OwnedHandle::Close() {
  if (IsOpen()) {
    ::close(Fd(handle_));
    handle_ = kInvalid;
  }
}

bool IsDiskFile(NativeHandle handle) {
  struct stat st;
  return IsUsableHandle(handle) && fstat(Fd(handle), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::uint64_t> HandlePosition(NativeHandle handle) {
  if (!IsUsableHandle(handle)) return std::nullopt;
  const off_t position = lseek(Fd(handle), 0, SEEK_CUR);
  if (position < 0) return std::nullopt;
  return static_cast<std::uint64_t>(position);
}

bool SeekHandle(NativeHandle handle, std::uint64_t position) {
  if (!IsUsableHandle(handle) || position > static_cast<std::uint64_t>(INT64_MAX)) return false;
  const off_t wanted = static_cast<off_t>(position);
  return lseek(Fd(handle), wanted, SEEK_SET) == wanted;
}

bool TruncateAtPosition(NativeHandle handle) {
  if (!IsUsableHandle(handle)) return false;
  const off_t position = lseek(Fd(handle), 0, SEEK_CUR);
  return position >= 0 && ftruncate(Fd(handle), position) == 0;
}

std::optional<std::size_t> ReadOnce(NativeHandle handle, void* buffer, std::size_t size) {
  if (!IsUsableHandle(handle)) return std::nullopt;
  for (;;) {
    const ssize_t n = ::read(Fd(handle), buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return std::nullopt;
  }
}

std::size_t WriteOnce(NativeHandle handle, const void* data, std::size_t size) {
  if (!IsUsableHandle(handle)) return 0;
  // A pipe whose reader has gone raises SIGPIPE, which would end the process;
  // Windows reports the same case as a failed write. Block the signal for
  // this write and take back one that the write raised (also when it wrote
  // part of the data before the reader went).
  sigset_t pipeOnly, previous, pending;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
  sigpending(&pending);
  const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
  ssize_t n;
  do {
    n = ::write(Fd(handle), data, size);
  } while (n < 0 && errno == EINTR);
  sigpending(&pending);
  if (!wasPending && sigismember(&pending, SIGPIPE) == 1) {
    const struct timespec noWait = {0, 0};
    sigtimedwait(&pipeOnly, nullptr, &noWait);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return n < 0 ? 0 : static_cast<std::size_t>(n);
}

std::optional<DiskFileInfo> QueryDiskFile(NativeHandle handle) {
  if (!IsUsableHandle(handle)) return std::nullopt;
  struct statx sx;
  if (statx(Fd(handle), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    return std::nullopt;
  }
  DiskFileInfo info;
  info.attributes = S_ISDIR(sx.stx_mode) ? kAttrDirectory : kAttrArchive;
  if ((sx.stx_mode & S_IWUSR) == 0) info.attributes |= kAttrReadOnly;
  const std::string name = NameOf(Fd(handle));
  if (!name.empty() && name[0] == '.') info.attributes |= kAttrHidden;
  info.size = sx.stx_size;
  info.lastAccess = FromUnix(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
  info.lastWrite = FromUnix(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
  // Not every file system records when a file was made; the last write is
  // the nearest time it can tell then.
  info.creation = (sx.stx_mask & STATX_BTIME) ? FromUnix(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                                              : info.lastWrite;
  return info;
}

}  // namespace os
