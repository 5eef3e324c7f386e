// Shows the program's dialogs from its resources, filled with sample contents
// the way the program fills them, so that they can be looked at in each
// language: page 0 is the error report dialog with the About dialog, page 1
// the report contents dialog.
//
// Usage: show_resource_dialogs SIGNAL_FOLDER [LANGID in hex]
// Without a LANGID the language is chosen as the program chooses it. For each
// page the program writes SIGNAL_FOLDER\page<N>.ready once the page is drawn
// and goes on when SIGNAL_FOLDER\page<N>.next exists; it gives up after a
// minute per page.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "resource.h"
#include "ui/language_choice.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMilliseconds = 100;
constexpr int kPollsPerPage = 600;  // a minute

HINSTANCE g_module;
LANGID g_language;

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::u16string Text(UINT id) { return norda::ui::LoadResourceString(g_module, id, g_language); }

INT_PTR CALLBACK PlainProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

HWND Show(UINT id) {
  HWND dialog = CreateDialogIndirectParamW(g_module, norda::ui::FindDialogTemplate(g_module, id, g_language),
                                           nullptr, PlainProc, 0);
  if (dialog) {
    HICON icon = LoadIconW(g_module, MAKEINTRESOURCEW(IDI_ERROR_REPORT));
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  return dialog;
}

// Moves a control's text in by a margin, as the banner control draws it.
void Indent(HWND dialog, int id, int left, int top) {
  HWND control = GetDlgItem(dialog, id);
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  MoveWindow(control, rect.left + left, rect.top + top, rect.right - rect.left - left, rect.bottom - rect.top - top,
             TRUE);
}

void FillErrorReport(HWND dialog) {
  std::u16string banner = Text(IDS_BANNER);
  banner.replace(banner.find(u"%s"), 2, u"NORDA+");
  SetDlgItemTextW(dialog, IDC_BANNER_TITLE, W(banner));
  Indent(dialog, IDC_BANNER_TITLE, 22, 8);
}

void FillReportContents(HWND dialog) {
  SetDlgItemTextW(dialog, IDC_CONTENTS_BANNER, W(Text(IDS_CONTENTS_BANNER)));
  Indent(dialog, IDC_CONTENTS_BANNER, 0, 4);
  HWND list = GetDlgItem(dialog, IDC_FILE_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
  RECT rect;
  GetWindowRect(list, &rect);
  const int w = rect.right - rect.left - 2;
  const UINT titles[] = {IDS_COLUMN_SEND, IDS_COLUMN_NAME, IDS_COLUMN_DESCRIPTION, IDS_COLUMN_TYPE,
                         IDS_COLUMN_SIZE};
  const int sixtyFourths[] = {10, 26, 10, 9};
  int used = 0;
  for (int column = 0; column < 5; ++column) {
    std::u16string title = Text(titles[column]);
    LVCOLUMNW item = {};
    item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    item.fmt = column == 4 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    item.cx = column < 4 ? w * sixtyFourths[column] / 64 : w - used - 2;
    used += item.cx;
    item.pszText = const_cast<wchar_t*>(W(title));
    ListView_InsertColumn(list, column, &item);
  }
  HIMAGELIST images = ImageList_LoadImageW(g_module, MAKEINTRESOURCEW(IDB_HEADER_IMAGES), HEADER_IMAGE_SIZE, 0,
                                           HEADER_IMAGE_MASK_COLOR, IMAGE_BITMAP, 0);
  HWND header = ListView_GetHeader(list);
  Header_SetImageList(header, images);
  for (int column = 0; column < 5; ++column) {
    HDITEMW item = {};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    Header_GetItem(header, column, &item);
    item.fmt |= HDF_IMAGE;
    item.iImage = column == 0 ? HEADER_IMAGE_UNCHECKED : HEADER_IMAGE_BLANK;
    Header_SetItem(header, column, &item);
  }
  const wchar_t* rows[][4] = {
      {L"CrashLog.txt", L"Crash log", L"Text", L"3 KB "},
      {L"MiniDump.dmp", L"Memory dump", L"Dump", L"1,206 KB "},
      {L"Registry.reg", L"Settings", L"Registry", L"12 KB "},
  };
  for (int row = 0; row < 3; ++row) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(L"");
    ListView_InsertItem(list, &item);
    for (int column = 1; column < 5; ++column) {
      ListView_SetItemText(list, row, column, const_cast<wchar_t*>(rows[row][column - 1]));
    }
    ListView_SetCheckState(list, row, row != 1);
  }
  SetDlgItemTextW(dialog, IDC_PREVIEW_NAME, L"CrashLog.txt");
  SetDlgItemTextW(dialog, IDC_PREVIEW_DESCRIPTION, L"Crash log");
  SetDlgItemTextW(dialog, IDC_PREVIEW,
                  L"NORDA+ crash log\r\nException 0xC0000005 at 0x0040A1B2\r\nModule: NORDA.EXE\r\n");
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Touch(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// Shows the page's dialogs, says it is ready, waits to be told to go on.
void RunPage(const std::wstring& signals, int page, const UINT* dialogs, int count) {
  HWND shown[3] = {};
  int x = 8;
  for (int i = 0; i < count; ++i) {
    shown[i] = Show(dialogs[i]);
    if (!shown[i]) continue;
    if (dialogs[i] == IDD_ERROR_REPORT) FillErrorReport(shown[i]);
    if (dialogs[i] == IDD_REPORT_CONTENTS) FillReportContents(shown[i]);
    RECT rect;
    GetWindowRect(shown[i], &rect);
    const bool below = dialogs[i] == IDD_ABOUTBOX && i > 0;
    if (below) {
      RECT first;
      GetWindowRect(shown[0], &first);
      SetWindowPos(shown[i], nullptr, 8, first.bottom + 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    } else {
      SetWindowPos(shown[i], nullptr, x, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      x += rect.right - rect.left + 8;
    }
    ShowWindow(shown[i], SW_SHOW);
    UpdateWindow(shown[i]);
  }
  const std::wstring prefix = signals + L"\\page" + std::to_wstring(page);
  SetTimer(nullptr, kPollTimer, kPollMilliseconds, nullptr);
  int polls = 0;
  MSG message;
  while (polls < kPollsPerPage && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr) {
      ++polls;
      // A few ticks first, so that everything has been painted.
      if (polls == 5) Touch(prefix + L".ready");
      if (polls > 5 && FileExists(prefix + L".next")) break;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  for (HWND dialog : shown) {
    if (dialog) DestroyWindow(dialog);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  g_module = GetModuleHandleW(nullptr);
  g_language = argc > 2 ? static_cast<LANGID>(wcstoul(argv[2], nullptr, 16)) : norda::ui::ChooseResourceLanguage();
  norda::ui::UseResourceLanguage(g_language);
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  const UINT page0[] = {IDD_ERROR_REPORT, IDD_ABOUTBOX};
  const UINT page1[] = {IDD_REPORT_CONTENTS};
  RunPage(argv[1], 0, page0, 2);
  RunPage(argv[1], 1, page1, 1);
  return 0;
}
