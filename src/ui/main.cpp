// NordaErrorDialog: started by the CAD application after it has failed. Asks
// about the drawings it saved, shows the error report dialog, then removes
// the crash material. There is no window besides the dialogs and no message
// loop after them.
#include <windows.h>
#include <commctrl.h>

#include "core/app/recovery_prompt.h"
#include "resource.h"
#include "ui/error_report_dialog.h"
#include "ui/language_choice.h"
#include "ui/ui_resources.h"

namespace norda::ui {
namespace {

class RecoveryMessageBox : public RecoveryQuestion {
 public:
  bool WantsSavedDrawing(const std::u16string& savedTo) override {
    const std::u16string text = LoadResourceString(IDS_RECOVERY_BEFORE) + savedTo +
                                LoadResourceString(IDS_RECOVERY_AFTER);
    const std::u16string caption = LoadResourceString(IDS_RECOVERY_CAPTION);
    // Yes and No only, no owner, on the default desktop: the CAD application
    // is gone and this program has no window yet.
    return MessageBoxW(nullptr, W(text), W(caption), MB_YESNO | MB_DEFAULT_DESKTOP_ONLY) == IDYES;
  }
};

}  // namespace
}  // namespace norda::ui

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  norda::ui::UseResourceLanguage(norda::ui::CurrentLanguage());
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);

  norda::ui::RecoveryMessageBox question;
  norda::RecoveryPrompt(question);
  norda::ui::RunErrorReportDialog();
  return 0;
}
