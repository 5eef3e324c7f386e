#include "ui/error_report_dialog.h"

#include <windows.h>

#include "core/app/clean_up.h"
#include "core/app/dont_send.h"
#include "core/app/file_list.h"
#include "core/app/report_description.h"
#include "core/app/report_folder.h"
#include "core/app/report_packing.h"
#include "core/app/report_session.h"
#include "core/app/send_flow.h"
#include "core/app/send_record_book.h"
#include "core/app/user_text.h"
#include "core/support/format_text.h"
#include "core/support/version_info.h"
#include "resource.h"
#include "ui/about_dialog.h"
#include "ui/controls/banner_static.h"
#include "ui/controls/drawing.h"
#include "ui/controls/hyperlink_static.h"
#include "ui/report_contents_dialog.h"
#include "ui/ui_resources.h"

namespace norda::ui {
namespace {

constexpr int kBannerLeftMargin = 22;
constexpr int kBannerTopMargin = 8;
constexpr LPARAM kDescriptionLimit = 0x20000;  // characters
constexpr size_t kSectionNamesBufferUnits = 102400;
constexpr size_t kSectionBufferUnits = 1024;
constexpr size_t kVersionTextCapacity = 998;
constexpr COLORREF kVisitedLinkColour = RGB(0, 0, 255);

struct ErrorReportDialog {
  // Destroying the dialog object removes the crash material, however it ended.
  ~ErrorReportDialog() { CleanUpReport(session); }

  HWND window = nullptr;
  ReportSession session;
  CBannerStatic bannerTitle;
  CBannerStatic saveHint;
  CHyperlinkStatic link;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
};

ErrorReportDialog* StateOf(HWND dialog) {
  return reinterpret_cast<ErrorReportDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The failed application's name: its description, else its product name,
// else the executable's name.
std::u16string ApplicationName(const ReportSession& session) {
  const VersionInfo info(session.applicationFolder + u"NORDA.EXE");
  char16_t text[kVersionTextCapacity];
  info.GetFileDescription(text, kVersionTextCapacity);
  if (text[0] == u'\0') info.GetProductName(text, kVersionTextCapacity);
  return text[0] != u'\0' ? std::u16string(text) : std::u16string(u"NORDA.EXE");
}

// The template does not centre the dialog; a user expects it in the middle
// of the screen, not in its corner.
void CenterOnWorkArea(HWND dialog) {
  RECT area, box;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(dialog, &box);
  const int width = box.right - box.left, height = box.bottom - box.top;
  SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL OnInitDialog(HWND dialog, ErrorReportDialog& state) {
  state.window = dialog;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  state.bannerTitle.Attach(GetDlgItem(dialog, IDC_BANNER_TITLE));
  state.saveHint.Attach(GetDlgItem(dialog, IDC_SAVE_HINT));
  state.link.Attach(GetDlgItem(dialog, IDC_CONTENTS_LINK));

  const std::u16string about = LoadResourceString(IDS_ABOUTBOX);
  if (HMENU menu = GetSystemMenu(dialog, FALSE); menu && !about.empty()) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, W(about));
  }

  state.icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ERROR_REPORT), IMAGE_ICON,
                                             0, 0, LR_DEFAULTSIZE));
  state.smallIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_ERROR_REPORT), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state.icon));
  SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state.smallIcon));

  ReportSession& session = state.session;
  const std::u16string folder = ReportFolder();
  session.sendRecordPath = folder + u"\\" + kSendRecordFileName;
  session.descriptionPath = folder + u"\\" + kDescriptionFileName;
  session.archivePath = ReportArchivePath();

  const std::u16string title =
      FormatText(LoadResourceString(IDS_BANNER), {ApplicationName(session)});
  SetWindowTextW(state.bannerTitle.Window(), W(title));
  state.bannerTitle.SetMargins(kBannerLeftMargin, kBannerTopMargin);

  SendDlgItemMessageW(dialog, IDC_DESCRIPTION, EM_SETLIMITTEXT, kDescriptionLimit, 0);

  state.link.SetColours(CHyperlinkStatic::kLinkColour, kVisitedLinkColour,
                        CHyperlinkStatic::kHoverColour);
  state.link.EnableOpenTarget(false);
  state.link.EnableNotifyParent(true);
  state.link.EnableToolTip(false);

  BuildFileList(session);

  session.sendRecords.SetSectionNamesBufferSize(kSectionNamesBufferUnits);
  session.sendRecords.SetSectionBufferSize(kSectionBufferUnits);
  session.sendRecords.SetPath(session.sendRecordPath);
  CenterOnWorkArea(dialog);
  // Started by an application that has just failed: come to the front.
  SetForegroundWindow(dialog);
  return TRUE;
}

void OnDontSend(HWND dialog, ErrorReportDialog& state) {
  const std::u16string description = WindowText(GetDlgItem(dialog, IDC_DESCRIPTION));
  if (DontSend(state.session, description) == DontSendOutcome::UserTextFailed) {
    // Nothing was recorded or packed: the user can try again or copy the text.
    const std::u16string message = FormatText(LoadResourceString(IDS_USER_TEXT_FAILED),
                                              {UserTextPath(state.session)});
    MessageBoxW(dialog, W(message), W(LoadResourceString(IDS_APP_TITLE)), MB_OK | MB_ICONWARNING);
    return;
  }
  EndDialog(dialog, IDCANCEL);
}

// The send flow's side of the dialog: its description, its messages, its end.
class DialogSendView : public SendFlowView {
 public:
  explicit DialogSendView(HWND dialog) : dialog_(dialog) {}
  std::u16string Description() override { return WindowText(GetDlgItem(dialog_, IDC_DESCRIPTION)); }
  void ShowCrashLogUnreadable() override {
    MessageBoxW(dialog_, W(LoadResourceString(IDS_OPEN_FILE_FAILED)), L"NORDA", MB_OK);
  }
  void ShowSent() override { Show(LoadResourceString(IDS_SEND_SUCCEEDED), MB_ICONINFORMATION); }
  void ShowNotSent(const std::u16string& archivePath, const std::u16string& mailbox) override {
    Show(FormatText(LoadResourceString(IDS_SEND_FAILED), {archivePath, mailbox}), MB_ICONWARNING);
  }
  void EndDialog(int result) override { ::EndDialog(dialog_, result); }

 private:
  void Show(const std::u16string& text, UINT icon) {
    MessageBoxW(dialog_, W(text), W(LoadResourceString(IDS_APP_TITLE)), MB_OK | icon);
  }
  HWND dialog_;
};

void OnSend(HWND dialog, ErrorReportDialog& state) {
  // The mail goes out on this thread; the wait cursor says that it is busy.
  HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  DialogSendView view(dialog);
  RunSendFlow(state.session, view);
  SetCursor(previous);
}

void OnOk(HWND dialog, ErrorReportDialog& state) {
  std::u16string unused;
  RecordAndPack(state.session, false, unused);
  EndDialog(dialog, IDOK);
}

void PaintMinimised(HWND dialog, const ErrorReportDialog& state) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(dialog, &ps);
  SendMessageW(dialog, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(dialog, &client);
  const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, state.icon);
  EndPaint(dialog, &ps);
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return OnInitDialog(dialog, *reinterpret_cast<ErrorReportDialog*>(lParam));
  }
  ErrorReportDialog* state = StateOf(dialog);
  if (!state) return FALSE;
  if (message == HyperlinkClickedMessage()) {
    if (!state->session.files.empty()) ShowReportContents(dialog, state->session.files);
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
    return TRUE;
  }
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_DONT_SEND:
        case IDCANCEL:
          OnDontSend(dialog, *state);
          return TRUE;
        case IDC_SEND:
          OnSend(dialog, *state);
          return TRUE;
        case IDOK:
          OnOk(dialog, *state);
          return TRUE;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutDialog(dialog);
        return TRUE;
      }
      break;
    case WM_PAINT:
      if (IsIconic(dialog)) {
        PaintMinimised(dialog, *state);
        return TRUE;
      }
      break;
    case WM_SYSCOLORCHANGE:
      PassToControls(dialog, message, wParam, lParam);
      break;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(state->smallIcon);
    case WM_DESTROY:
      if (state->icon) DestroyIcon(state->icon);
      if (state->smallIcon) DestroyIcon(state->smallIcon);
      state->icon = state->smallIcon = nullptr;
      break;
  }
  return FALSE;
}

}  // namespace

void RunErrorReportDialog() {
  ErrorReportDialog state;
  RunModalDialog(IDD_ERROR_REPORT, nullptr, Procedure, reinterpret_cast<LPARAM>(&state));
}

}  // namespace norda::ui
