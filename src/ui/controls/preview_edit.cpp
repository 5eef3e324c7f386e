#include "ui/controls/preview_edit.h"

#include <commctrl.h>

namespace norda::ui {
namespace {

constexpr UINT_PTR kSubclassId = 0x4E50;  // 'NP'
constexpr WPARAM kLetterC = 67;

}  // namespace

bool IsFilteredPreviewKey(WPARAM key, bool controlHeld) {
  if (key == kLetterC) return !controlHeld;  // Ctrl+C copies
  return key == VK_BACK || key == VK_DELETE || key == VK_SPACE ||
         (key >= '0' && key <= 'Z') ||             // digits and letters
         (key >= VK_NUMPAD0 && key <= VK_DIVIDE) ||  // the numeric keypad
         key >= 184;                                 // punctuation keys
}

CPreviewEdit::~CPreviewEdit() {
  if (window_) RemoveWindowSubclass(window_, Procedure, kSubclassId);
}

bool CPreviewEdit::Attach(HWND edit) {
  if (!edit || window_) return false;
  window_ = edit;
  return SetWindowSubclass(edit, Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK CPreviewEdit::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data) {
  auto* self = reinterpret_cast<CPreviewEdit*>(data);
  switch (message) {
    case WM_KEYDOWN:
      // A swallowed key's characters follow it; they go too, or they would
      // be typed after all.
      self->swallowCharacters_ = IsFilteredPreviewKey(wParam, GetKeyState(VK_CONTROL) < 0);
      if (self->swallowCharacters_) return 0;
      break;
    case WM_KEYUP:
      self->swallowCharacters_ = false;
      break;
    case WM_CHAR:
    case WM_DEADCHAR:
      if (self->swallowCharacters_) return 0;
      break;
  }
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, Procedure, kSubclassId);
    self->window_ = nullptr;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace norda::ui
