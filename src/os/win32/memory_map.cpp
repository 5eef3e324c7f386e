#include "os/memory_map.h"

#include <windows.h>

namespace os {

AnonymousMemory AnonymousMemory::Create(std::size_t size) {
  AnonymousMemory memory;
  if (size == 0) return memory;
  const std::uint64_t wide = size;
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                      static_cast<DWORD>(wide >> 32), static_cast<DWORD>(wide), nullptr);
  if (mapping == nullptr) return memory;
  void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
  if (view == nullptr) {
    CloseHandle(mapping);
    return memory;
  }
  memory.mapping_ = reinterpret_cast<std::intptr_t>(mapping);
  memory.view_ = static_cast<std::uint8_t*>(view);
  memory.size_ = size;
  return memory;
}

void AnonymousMemory::Release() {
  if (view_ != nullptr) UnmapViewOfFile(view_);
  if (mapping_ != 0) CloseHandle(reinterpret_cast<HANDLE>(mapping_));
  view_ = nullptr;
  mapping_ = 0;
  size_ = 0;
}

}  // namespace os
