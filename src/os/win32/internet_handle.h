// The WinInet handles of a download, each closed with InternetCloseHandle.
#pragma once

#include <windows.h>
#include <wininet.h>

namespace os::win32 {

// nullptr is the invalid value.
class InternetHandle {
 public:
  InternetHandle() = default;
  ~InternetHandle() { Reset(nullptr); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  void Reset(HINTERNET handle) {
    if (handle_) InternetCloseHandle(handle_);
    handle_ = handle;
  }
  HINTERNET Get() const { return handle_; }
  // Gives the handle up without closing it.
  void Release() { handle_ = nullptr; }

 private:
  HINTERNET handle_ = nullptr;
};

}  // namespace os::win32
