#include "ui/controls/preview_edit.h"

#include <commctrl.h>

namespace norda::ui {
namespace {

constexpr WPARAM kLetterC = 67;

}  // namespace

bool IsFilteredPreviewKey(WPARAM key, bool controlHeld) {
  if (key == kLetterC) return !controlHeld;  // Ctrl+C copies
  return key == VK_BACK || key == VK_DELETE || key == VK_SPACE ||
         (key >= '0' && key <= 'Z') ||             // digits and letters
         (key >= VK_NUMPAD0 && key <= VK_DIVIDE) ||  // the numeric keypad
         key >= 184;                                 // punctuation keys
}

bool CPreviewEdit::Attach(HWND edit) { return subclass_.Attach(edit, Procedure, this); }

LRESULT CPreviewEdit::Procedure(void* control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CPreviewEdit*>(control);
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
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace norda::ui
