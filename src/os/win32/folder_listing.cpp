#include "os/folder_listing.h"

#include <windows.h>

#include "os/win32/wide.h"

namespace os {
namespace {

HANDLE AsFind(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

FolderListing::Entry EntryOf(const WIN32_FIND_DATAW& found) {
  FolderListing::Entry entry;
  entry.name = win32::U16(found.cFileName);
  entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return entry;
}

}  // namespace

FolderListing FolderListing::Open(const std::u16string& folder) {
  FolderListing listing;
  const std::u16string pattern = folder + u"\\*";
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(win32::W(pattern), &found);
  if (find == INVALID_HANDLE_VALUE) return listing;
  listing.handle_ = reinterpret_cast<std::intptr_t>(find);
  listing.folder_ = folder;
  listing.first_ = EntryOf(found);
  listing.pending_ = true;
  return listing;
}

FolderListing::Step FolderListing::Next(Entry& entry) {
  if (!IsOpen()) return Step::Failed;
  if (pending_) {
    pending_ = false;
    entry = first_;
    return Step::Entry;
  }
  WIN32_FIND_DATAW found;
  if (!FindNextFileW(AsFind(handle_), &found)) {
    return GetLastError() == ERROR_NO_MORE_FILES ? Step::End : Step::Failed;
  }
  entry = EntryOf(found);
  return Step::Entry;
}

void FolderListing::Close() {
  if (IsOpen()) {
    FindClose(AsFind(handle_));
    handle_ = kInvalid;
  }
}

}  // namespace os
