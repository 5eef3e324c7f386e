#include "ui/about_dialog.h"

#include "resource.h"
#include "ui/ui_resources.h"

namespace norda::ui {
namespace {

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void ShowAboutDialog(HWND owner) {
  RunModalDialog(IDD_ABOUTBOX, owner, AboutProcedure, 0);
}

}  // namespace norda::ui
