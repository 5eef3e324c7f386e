// CPreviewEdit: the contents viewer's preview. The user can scroll, select and
// copy (Ctrl+C), but the keys that would change the text are swallowed.
#pragma once

#include <windows.h>

#include "ui/controls/window_subclass.h"

namespace norda::ui {

// Whether the preview swallows a key-down of this virtual key.
bool IsFilteredPreviewKey(WPARAM virtualKey, bool controlHeld);

class CPreviewEdit {
 public:
  CPreviewEdit() = default;
  CPreviewEdit(const CPreviewEdit&) = delete;
  CPreviewEdit& operator=(const CPreviewEdit&) = delete;

  bool Attach(HWND edit);

 private:
  static LRESULT Procedure(void* self, HWND, UINT, WPARAM, LPARAM);
  WindowSubclass subclass_;
  bool swallowCharacters_ = false;
};

}  // namespace norda::ui
