#include "os/posix/lock.h"

#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

namespace os::posix {

bool LockWholeFile(int fd, bool exclusive) {
  // flock locks belong to the open file description and work on read-only
  // descriptors too, so an exclusive reader can keep everyone else out.
  for (;;) {
    if (flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool IsReadOnlyFile(const char* nativePath) {
  struct stat st;
  return stat(nativePath, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

}  // namespace os::posix
