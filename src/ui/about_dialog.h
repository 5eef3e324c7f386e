// The About dialog, from the error report dialog's system menu.
#pragma once

#include <windows.h>

namespace norda::ui {

void ShowAboutDialog(HWND owner);

}  // namespace norda::ui
