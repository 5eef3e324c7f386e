// Sharing modes on Linux: advisory open-file-description locks.
#pragma once

namespace os::posix {

// Takes a read or write lock over the whole file without waiting; false when
// another open holds a conflicting lock.
bool LockWholeFile(int fd, bool write);

// True when the file at the native path exists and its owner may not write it
// (the Windows read-only attribute).
bool IsReadOnlyFile(const char* nativePath);

}  // namespace os::posix
