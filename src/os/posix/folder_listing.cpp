#include "os/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>

#include "os/posix/native_path.h"

namespace os {
namespace {

DIR* Stream(std::intptr_t handle) { return reinterpret_cast<DIR*>(handle); }

}  // namespace

FolderListing FolderListing::Open(const std::u16string& folder) {
  FolderListing listing;
  DIR* stream = opendir(posix::NativePath(folder).c_str());
  if (stream != nullptr) {
    listing.handle_ = reinterpret_cast<std::intptr_t>(stream);
    listing.folder_ = folder;
  }
  return listing;
}

FolderListing::Step FolderListing::Next(Entry& entry) {
  if (!IsOpen()) return Step::Failed;
  errno = 0;
  const struct dirent* found = readdir(Stream(handle_));
  if (found == nullptr) return errno == 0 ? Step::End : Step::Failed;
  entry.name = posix::ProgramPath(found->d_name);
  if (found->d_type == DT_DIR) {
    entry.isFolder = true;
  } else if (found->d_type == DT_UNKNOWN || found->d_type == DT_LNK) {
    // Like a Windows listing, a link reports what it points to.
    struct stat st;
    const std::string path = posix::NativePath(folder_) + "/" + found->d_name;
    entry.isFolder = stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  } else {
    entry.isFolder = false;
  }
  return Step::Entry;
}

void FolderListing::Close() {
  if (IsOpen()) {
    closedir(Stream(handle_));
    handle_ = kInvalid;
  }
}

}  // namespace os
