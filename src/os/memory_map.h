// Anonymous read-write memory that the system backs with its paging file
// (Windows: a page-file-backed file mapping; Linux: a shared anonymous mmap).
#pragma once

#include <cstddef>
#include <cstdint>

namespace os {

class AnonymousMemory {
 public:
  AnonymousMemory() = default;
  ~AnonymousMemory() { Release(); }
  AnonymousMemory(AnonymousMemory&& other) noexcept { *this = static_cast<AnonymousMemory&&>(other); }
  AnonymousMemory& operator=(AnonymousMemory&& other) noexcept;
  AnonymousMemory(const AnonymousMemory&) = delete;
  AnonymousMemory& operator=(const AnonymousMemory&) = delete;

  // Reserves and maps size bytes, zero-filled. Not valid when either step
  // fails (what was made is released) or size is 0.
  static AnonymousMemory Create(std::size_t size);

  bool IsValid() const { return view_ != nullptr; }
  std::uint8_t* Data() const { return view_; }
  std::size_t Size() const { return size_; }
  // Unmaps the view and closes the mapping.
  void Release();

 private:
  std::intptr_t mapping_ = 0;  // the mapping object where the system has one
  std::uint8_t* view_ = nullptr;
  std::size_t size_ = 0;
};

inline AnonymousMemory& AnonymousMemory::operator=(AnonymousMemory&& other) noexcept {
  if (this != &other) {
    Release();
    mapping_ = other.mapping_;
    view_ = other.view_;
    size_ = other.size_;
    other.mapping_ = 0;
    other.view_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

}  // namespace os
