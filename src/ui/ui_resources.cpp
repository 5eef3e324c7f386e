#include "ui/ui_resources.h"

#include <vector>

#include "ui/language_choice.h"

namespace norda::ui {

LANGID CurrentLanguage() {
  static const LANGID language = ChooseResourceLanguage();
  return language;
}

std::u16string LoadResourceString(UINT id) {
  return LoadResourceString(GetModuleHandleW(nullptr), id, CurrentLanguage());
}

INT_PTR RunModalDialog(UINT id, HWND owner, DLGPROC procedure, LPARAM parameter) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  const DLGTEMPLATE* dialog = FindDialogTemplate(module, id, CurrentLanguage());
  if (!dialog) return -1;
  return DialogBoxIndirectParamW(module, dialog, owner, procedure, parameter);
}

std::u16string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()),
                        static_cast<size_t>(got > 0 ? got : 0));
}

}  // namespace norda::ui
