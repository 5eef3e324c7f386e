#include "os/files.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "os/file.h"
#include "os/posix/lock.h"
#include "os/posix/native_path.h"

namespace os {

bool PathExists(const std::u16string& path) {
  struct stat st;
  return !path.empty() && stat(posix::NativePath(path).c_str(), &st) == 0;
}

bool FolderExists(const std::u16string& path) {
  struct stat st;
  return !path.empty() && stat(posix::NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CopyFileReplacing(const std::u16string& from, const std::u16string& to) {
  File source = File::OpenForReading(from, Share::Read);
  if (!source.IsOpen()) return false;
  File target = File::CreateForWriting(to);
  if (!target.IsOpen()) return false;
  char buffer[65536];
  for (;;) {
    const auto n = source.Read(buffer, sizeof buffer);
    if (!n) return false;
    if (*n == 0) break;
    if (!target.Write(buffer, *n)) return false;
  }
  // The copy keeps the source's read-only state, as a Windows copy keeps its attributes.
  struct stat st;
  if (fstat(static_cast<int>(source.NativeHandle()), &st) == 0) {
    fchmod(static_cast<int>(target.NativeHandle()), st.st_mode & 07777);
  }
  return true;
}

bool RemoveFile(const std::u16string& path) {
  const std::string native = posix::NativePath(path);
  struct stat st;
  if (lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (posix::IsReadOnlyFile(native.c_str())) return false;
  return unlink(native.c_str()) == 0;
}

std::uint32_t FileAttributesOf(const std::u16string& path) {
  const std::string native = posix::NativePath(path);
  struct stat st;
  if (native.empty() || stat(native.c_str(), &st) != 0) return kInvalidAttributes;
  std::uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  const size_t slash = native.find_last_of('/');
  const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= kAttrHidden;
  return attributes;
}

bool SetFileAttributesTo(const std::u16string& path, std::uint32_t attributes) {
  const std::string native = posix::NativePath(path);
  struct stat st;
  if (native.empty() || stat(native.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttrReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  return chmod(native.c_str(), mode) == 0;
}

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
  // The old file is held, as a write in place would hold it, until the new
  // one has taken its name: a read-only or held file refuses the write.
  File old;
  struct stat st;
  const bool exists = stat(posix::NativePath(path).c_str(), &st) == 0;
  if (exists) {
    old = File::OpenExistingForWriting(path);
    if (!old.IsOpen()) return false;
  }
  const std::u16string writing = path + kWritingSuffix;
  const std::string native = posix::NativePath(writing);
  File file = File::CreateForWriting(writing);
  if (!file.IsOpen()) return false;
  if (!file.Write(bytes.data(), bytes.size()) ||
      (exists && fchmod(static_cast<int>(file.NativeHandle()), st.st_mode & 07777) != 0) ||
      rename(native.c_str(), posix::NativePath(path).c_str()) != 0) {
    unlink(native.c_str());
    return false;
  }
  return true;
}

}  // namespace os
