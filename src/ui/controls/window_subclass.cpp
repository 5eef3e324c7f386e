#include "ui/controls/window_subclass.h"

#include <commctrl.h>

namespace norda::ui {

// Each take-over is told apart by its own address, so that one window can be
// taken over by several controls (a dialog by its list and its link).
bool WindowSubclass::Attach(HWND window, Procedure procedure, void* owner) {
  if (!window || window_) return false;
  procedure_ = procedure;
  owner_ = owner;
  if (!SetWindowSubclass(window, Dispatch, reinterpret_cast<UINT_PTR>(this),
                         reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }
  window_ = window;
  return true;
}

void WindowSubclass::Release() {
  if (window_) RemoveWindowSubclass(window_, Dispatch, reinterpret_cast<UINT_PTR>(this));
  window_ = nullptr;
}

LRESULT CALLBACK WindowSubclass::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<WindowSubclass*>(data);
  if (message == WM_NCDESTROY) self->Release();
  return self->procedure_(self->owner_, window, message, wParam, lParam);
}

}  // namespace norda::ui
