#include "os/memory_map.h"

#include <sys/mman.h>

namespace os {

// Linux has no mapping object apart from the view: a shared anonymous mapping
// is the nearest thing to a page-file-backed section.
AnonymousMemory AnonymousMemory::Create(std::size_t size) {
  AnonymousMemory memory;
  if (size == 0) return memory;
  void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (view == MAP_FAILED) return memory;
  memory.view_ = static_cast<std::uint8_t*>(view);
  memory.size_ = size;
  return memory;
}

void AnonymousMemory::Release() {
  if (view_ != nullptr) munmap(view_, size_);
  view_ = nullptr;
  size_ = 0;
  mapping_ = 0;
}

}  // namespace os
