// Listing one folder's entries, in the system's order.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace os {

class FolderListing {
 public:
  struct Entry {
    std::u16string name;  // the name alone, "." and ".." included
    bool isFolder = false;
  };
  enum class Step { Entry, End, Failed };

  FolderListing() = default;
  ~FolderListing() { Close(); }
  FolderListing(FolderListing&& other) noexcept { *this = static_cast<FolderListing&&>(other); }
  FolderListing& operator=(FolderListing&& other) noexcept;
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  // Starts listing every entry of the folder (the pattern "*"). Not open
  // when the listing cannot start.
  static FolderListing Open(const std::u16string& folder);

  bool IsOpen() const { return handle_ != kInvalid; }
  // The next entry; End when no more entries exist, Failed for any other end.
  Step Next(Entry& entry);
  void Close();

 private:
  static constexpr std::intptr_t kInvalid = -1;
  std::intptr_t handle_ = kInvalid;  // find handle or directory stream
  std::u16string folder_;
  bool pending_ = false;             // Windows gives the first entry when the listing starts
  Entry first_;
};

inline FolderListing& FolderListing::operator=(FolderListing&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    folder_ = std::move(other.folder_);
    pending_ = other.pending_;
    first_ = std::move(other.first_);
    other.handle_ = kInvalid;
    other.pending_ = false;
  }
  return *this;
}

}  // namespace os
