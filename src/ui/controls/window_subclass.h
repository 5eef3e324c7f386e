// How the program's controls take over a window: a subclass (comctl32's
// SetWindowSubclass) whose procedure sees every message of the window first.
// The take-over ends when the window is destroyed or when this object goes,
// whichever comes first, so neither can call into the other once it is gone.
#pragma once

#include <windows.h>

namespace norda::ui {

class WindowSubclass {
 public:
  // Handles one message for owner; returns DefSubclassProc(...) for what it
  // leaves to the window. It sees WM_NCDESTROY too, after the subclass ended.
  using Procedure = LRESULT (*)(void* owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  WindowSubclass() = default;
  ~WindowSubclass() { Release(); }
  WindowSubclass(const WindowSubclass&) = delete;
  WindowSubclass& operator=(const WindowSubclass&) = delete;

  // False when a window is already taken over here, or the system refuses.
  bool Attach(HWND window, Procedure procedure, void* owner);
  void Release();
  HWND Window() const { return window_; }

 private:
  static LRESULT CALLBACK Dispatch(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

  HWND window_ = nullptr;
  Procedure procedure_ = nullptr;
  void* owner_ = nullptr;
};

}  // namespace norda::ui
