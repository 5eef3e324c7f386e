#include "os/posix/lock.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace os::posix {

bool LockWholeFile(int fd, bool write) {
  struct flock lock = {};
  lock.l_type = write ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool IsReadOnlyFile(const char* nativePath) {
  struct stat st;
  return stat(nativePath, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

}  // namespace os::posix
