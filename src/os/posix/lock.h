// Sharing modes on Linux: advisory whole-file locks on the open file.
#pragma once

namespace os::posix {

// Takes a shared or exclusive lock without waiting; false when another open
// holds a conflicting lock.
bool LockWholeFile(int fd, bool exclusive);

// True when the file at the native path exists and its owner may not write it
// (the Windows read-only attribute).
bool IsReadOnlyFile(const char* nativePath);

}  // namespace os::posix
