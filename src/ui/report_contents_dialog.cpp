#include "ui/report_contents_dialog.h"

#include <commctrl.h>

#include <iterator>

#include "core/app/file_preview.h"
#include "core/support/text.h"
#include "os/files.h"
#include "resource.h"
#include "ui/controls/banner_static.h"
#include "ui/controls/drawing.h"
#include "ui/controls/preview_edit.h"
#include "ui/controls/xlist_ctrl.h"
#include "ui/ui_resources.h"

namespace norda::ui {
namespace {

constexpr int kBannerTopMargin = 4;
constexpr WPARAM kPreviewTextLimit = 268435455;  // characters
constexpr int kSendColumn = 0;

struct Column {
  UINT title;
  int sixtyFourths;  // of the list's width; 0 for the last column, which takes the rest
  int format;
};
constexpr Column kColumns[] = {
    {IDS_COLUMN_SEND, 10, LVCFMT_LEFT},       {IDS_COLUMN_NAME, 26, LVCFMT_LEFT},
    {IDS_COLUMN_DESCRIPTION, 10, LVCFMT_LEFT}, {IDS_COLUMN_TYPE, 9, LVCFMT_LEFT},
    {IDS_COLUMN_SIZE, 0, LVCFMT_RIGHT},
};

struct ReportContentsDialog {
  explicit ReportContentsDialog(std::vector<std::unique_ptr<ReportFile>>& list) : files(list) {}
  ~ReportContentsDialog() {
    if (previewFont) DeleteObject(previewFont);
  }
  std::vector<std::unique_ptr<ReportFile>>& files;
  std::vector<ReportFile*> rows;  // the file each row stands for
  CBannerStatic banner;
  CXListCtrl list;
  CPreviewEdit preview;
  HFONT previewFont = nullptr;
};

void AddColumns(CXListCtrl& list) {
  HWND window = list.Window();
  SendMessageW(window, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  RECT outer;
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left - 2;
  int used = 0;
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    const Column& c = kColumns[i];
    const int columnWidth = c.sixtyFourths ? width * c.sixtyFourths / 64 : width - used - 2;
    used += columnWidth;
    std::u16string title = LoadResourceString(c.title);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = c.format;
    column.cx = columnWidth;
    column.pszText = const_cast<wchar_t*>(W(title));
    column.iSubItem = i;
    SendMessageW(window, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  HIMAGELIST images = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_HEADER_IMAGES),
                                           HEADER_IMAGE_SIZE, 0, HEADER_IMAGE_MASK_COLOR, IMAGE_BITMAP, 0);
  list.SetHeaderImageList(images);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    list.Header().SetItemImage(i, i == kSendColumn ? HEADER_IMAGE_UNCHECKED : HEADER_IMAGE_BLANK);
  }
}

void AddRows(ReportContentsDialog& state) {
  for (ReportFile* file : ExistingReportFiles(state.files)) {
    // The list was just made; a file may still vanish before its row is.
    if (!os::PathExists(file->path)) continue;
    const int row = state.list.InsertItem(static_cast<int>(state.rows.size()), L"");
    if (row < 0) continue;
    state.rows.push_back(file);
    state.list.SetCheckbox(row, kSendColumn, file->sendFlag ? 1 : 0);
    state.list.SetItemText(row, 1, W(FileNamePart(file->path)));
    state.list.SetItemText(row, 2, W(file->description));
    state.list.SetItemText(row, 3, W(file->type));
    state.list.SetItemText(row, 4, W(file->sizeText));
  }
}

// With more rows than the list shows, its scroll bar would cover the sizes:
// the last column gives up that room.
void FitLastColumn(CXListCtrl& list) {
  HWND window = list.Window();
  if (SendMessageW(window, LVM_GETCOUNTPERPAGE, 0, 0) >= list.GetItemCount()) return;
  const int last = static_cast<int>(std::size(kColumns)) - 1;
  const int width = static_cast<int>(SendMessageW(window, LVM_GETCOLUMNWIDTH, last, 0));
  SendMessageW(window, LVM_SETCOLUMNWIDTH, last, width - GetSystemMetrics(SM_CXVSCROLL));
}

// Dumps line up in columns only in a fixed-pitch font; logs read well in it too.
HFONT MakeFixedPitchFont(HWND like) {
  LOGFONTW fixed = {};
  fixed.lfHeight = FontOf(like).lfHeight;
  fixed.lfWeight = FW_NORMAL;
  fixed.lfCharSet = DEFAULT_CHARSET;
  fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  wcscpy(fixed.lfFaceName, L"Courier New");
  return CreateFontIndirectW(&fixed);
}

BOOL OnInitDialog(HWND dialog, ReportContentsDialog& state) {
  state.banner.Attach(GetDlgItem(dialog, IDC_CONTENTS_BANNER));
  SetWindowTextW(state.banner.Window(), W(LoadResourceString(IDS_CONTENTS_BANNER)));
  state.banner.SetMargins(0, kBannerTopMargin);
  state.preview.Attach(GetDlgItem(dialog, IDC_PREVIEW));
  state.previewFont = MakeFixedPitchFont(GetDlgItem(dialog, IDC_PREVIEW));
  SendDlgItemMessageW(dialog, IDC_PREVIEW, WM_SETFONT, reinterpret_cast<WPARAM>(state.previewFont), FALSE);
  SendDlgItemMessageW(dialog, IDC_PREVIEW, EM_SETLIMITTEXT, kPreviewTextLimit, 0);
  state.list.Attach(GetDlgItem(dialog, IDC_FILE_LIST));
  state.list.SetEmptyText(W(LoadResourceString(IDS_LIST_EMPTY)));
  AddColumns(state.list);
  AddRows(state);
  FitLastColumn(state.list);
  return TRUE;
}

void ShowFile(HWND dialog, ReportContentsDialog& state, POINT at) {
  HWND preview = GetDlgItem(dialog, IDC_PREVIEW);
  SetWindowTextW(preview, L"");
  LVHITTESTINFO hit = {};
  hit.pt = at;
  const int row =
      static_cast<int>(SendMessageW(state.list.Window(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row < 0 || row >= static_cast<int>(state.rows.size())) return;
  const ReportFile& file = *state.rows[static_cast<size_t>(row)];

  HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const FilePreview shown = ReadFilePreview(file.path);
  if (shown.kind != FilePreview::Kind::Nothing) {
    SetDlgItemTextW(dialog, IDC_PREVIEW_NAME, W(FileNamePart(file.path)));
    SetDlgItemTextW(dialog, IDC_PREVIEW_DESCRIPTION, W(file.description));
    if (shown.kind == FilePreview::Kind::Text) {
      SetWindowTextW(preview, W(shown.text));
    } else {
      // Thousands of dump lines: one repaint when they are all in.
      SendMessageW(preview, WM_SETREDRAW, FALSE, 0);
      SetWindowTextW(preview, W(shown.text));
      SendMessageW(preview, WM_SETREDRAW, TRUE, 0);
      SendMessageW(preview, EM_SETSEL, 0, 0);
      SendMessageW(preview, EM_SCROLLCARET, 0, 0);
      InvalidateRect(preview, nullptr, TRUE);
    }
  }
  SetCursor(previous);
}

void OnClose(HWND dialog, ReportContentsDialog& state) {
  std::vector<bool> checked;
  for (size_t row = 0; row < state.rows.size(); ++row) {
    checked.push_back(state.list.GetCheckbox(static_cast<int>(row), kSendColumn) == 1);
  }
  ApplySendChoices(state.rows, checked);
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return OnInitDialog(dialog, *reinterpret_cast<ReportContentsDialog*>(lParam));
  }
  auto* state = reinterpret_cast<ReportContentsDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!state) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnClose(dialog, *state);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    case WM_SYSCOLORCHANGE:
      PassToControls(dialog, message, wParam, lParam);
      break;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<NMHDR*>(lParam);
      if (header.idFrom == IDC_FILE_LIST && header.code == NM_DBLCLK) {
        ShowFile(dialog, *state, reinterpret_cast<NMITEMACTIVATE*>(lParam)->ptAction);
        return TRUE;
      }
      break;
    }
  }
  return FALSE;
}

}  // namespace

void ShowReportContents(HWND owner, std::vector<std::unique_ptr<ReportFile>>& files) {
  ReportContentsDialog state(files);
  RunModalDialog(IDD_REPORT_CONTENTS, owner, Procedure, reinterpret_cast<LPARAM>(&state));
}

}  // namespace norda::ui
