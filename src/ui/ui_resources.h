// The program's resources in the user's language: texts of the string table
// and dialog templates.
#pragma once

#include <windows.h>

#include <string>

namespace norda::ui {

// The resource language of this run, chosen once from the system's user
// interface language.
LANGID CurrentLanguage();

// The string with the given id in the current language; empty when there is none.
std::u16string LoadResourceString(UINT id);

// Runs dialog id of the current language modally.
INT_PTR RunModalDialog(UINT id, HWND owner, DLGPROC procedure, LPARAM parameter);

// The program's UTF-16 text as the system's wide characters: the same 16-bit
// units, so no copy (a std::wstring is made from it where one is needed).
inline const wchar_t* W(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The whole text of a window.
std::u16string WindowText(HWND window);

}  // namespace norda::ui
