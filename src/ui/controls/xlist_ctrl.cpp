#include "ui/controls/xlist_ctrl.h"

#include <memory>

#include "ui/controls/drawing.h"

namespace norda::ui {
namespace {

constexpr int kCheckboxTextGap = 4;
constexpr int kCheckboxInset = 9;
constexpr int kEmptyTextTop = 10;  // below the header

std::wstring CellText(HWND list, int row, int column) {
  wchar_t text[1024] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

UINT ColumnAlignment(HWND list, int column) {
  LVCOLUMNW info = {};
  info.mask = LVCF_FMT;
  SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
  switch (info.fmt & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT: return DT_RIGHT;
    case LVCFMT_CENTER: return DT_CENTER;
    default: return DT_LEFT;
  }
}

}  // namespace

UINT CheckboxClickedMessage() {
  static const UINT message = RegisterWindowMessageW(L"WM_XLISTCTRL_CHECKBOX_CLICKED");
  return message;
}

UINT ComboSelectionMessage() {
  static const UINT message = RegisterWindowMessageW(L"WM_XLISTCTRL_COMBO_SELECTION");
  return message;
}

CXListCtrl::CXListCtrl() {
  CheckboxClickedMessage();
  ComboSelectionMessage();
  ReadColours();
}

CXListCtrl::~CXListCtrl() {
  if (Window()) FreeAllRows();
  list_.Release();
  parent_.Release();
  if (headerImages_) ImageList_Destroy(headerImages_);
}

bool CXListCtrl::Attach(HWND list) {
  if (!list || Window()) return false;
  if (!headerTakenOver_) {
    headerTakenOver_ = header_.Attach(ListView_GetHeader(list));
  }
  return list_.Attach(list, ListProcedure, this) && parent_.Attach(GetParent(list), ParentProcedure, this);
}

void CXListCtrl::SetHeaderImageList(HIMAGELIST images) {
  header_.SetImageList(images);
  if (headerImages_ && headerImages_ != images) ImageList_Destroy(headerImages_);
  headerImages_ = images;
}

void CXListCtrl::ReadColours() {
  colours_ = {GetSysColor(COLOR_BTNFACE),       GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_HIGHLIGHT),
              GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_WINDOW),   GetSysColor(COLOR_WINDOWTEXT)};
}

int CXListCtrl::GetItemCount() const {
  return Window() ? static_cast<int>(SendMessageW(Window(), LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int CXListCtrl::ColumnCount() const {
  return static_cast<int>(SendMessageW(header_.Window(), HDM_GETITEMCOUNT, 0, 0));
}

std::vector<XListCellData>* CXListCtrl::Cells(int row) const {
  if (!Window() || row < 0 || row >= GetItemCount()) return nullptr;
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageW(Window(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<std::vector<XListCellData>*>(item.lParam);
}

void CXListCtrl::FreeRow(int row) {
  std::unique_ptr<std::vector<XListCellData>> cells(Cells(row));
  if (!cells) return;
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = 0;
  SendMessageW(Window(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CXListCtrl::FreeAllRows() {
  for (int row = GetItemCount() - 1; row >= 0; --row) FreeRow(row);
}

int CXListCtrl::InsertItem(int row, const std::wstring& text) {
  if (!Window()) return -1;
  auto cells = std::make_unique<std::vector<XListCellData>>(static_cast<size_t>(ColumnCount()));
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  item.lParam = reinterpret_cast<LPARAM>(cells.get());
  const int inserted = static_cast<int>(SendMessageW(Window(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (inserted >= 0) cells.release();
  return inserted;
}

BOOL CXListCtrl::SetItemText(int row, int column, const std::wstring& text) {
  if (!Window() || row < 0 || row >= GetItemCount() || column < 0 || column >= ColumnCount()) return FALSE;
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  if (!SendMessageW(Window(), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item))) return FALSE;
  RedrawCell(row, column);
  return TRUE;
}

BOOL CXListCtrl::SetCheckbox(int row, int column, int state) {
  std::vector<XListCellData>* cells = Cells(row);
  if (!cells || column < 0 || column >= static_cast<int>(cells->size())) return FALSE;
  (*cells)[static_cast<size_t>(column)].checkState = state;
  RedrawCell(row, column);
  UpdateHeaderCheckbox(column);
  return TRUE;
}

int CXListCtrl::GetCheckbox(int row, int column) const {
  const std::vector<XListCellData>* cells = Cells(row);
  if (!cells || column < 0 || column >= static_cast<int>(cells->size())) return -1;
  return (*cells)[static_cast<size_t>(column)].checkState;
}

void CXListCtrl::DeleteAllItems() {
  if (!Window()) return;
  FreeAllRows();
  SendMessageW(Window(), LVM_DELETEALLITEMS, 0, 0);
}

RECT CXListCtrl::CellRect(int row, int column) const {
  RECT r = {};
  r.top = column;
  r.left = LVIR_BOUNDS;
  SendMessageW(Window(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&r));
  // Column 0's bounds are the whole row: the cell ends where column 1 begins.
  if (column == 0 && ColumnCount() > 1) {
    RECT next = {};
    next.top = 1;
    next.left = LVIR_BOUNDS;
    SendMessageW(Window(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&next));
    r.right = next.left;
  }
  return r;
}

void CXListCtrl::RedrawCell(int row, int column) {
  const RECT r = CellRect(row, column);
  InvalidateRect(Window(), &r, FALSE);
  UpdateWindow(Window());
}

void CXListCtrl::UpdateHeaderCheckbox(int column) {
  const int image = header_.ItemImage(column);
  if (image == CXHeaderCtrl::kNoCheckBox || image < 0) return;
  const int rows = GetItemCount();
  int ticked = 0;
  for (int row = 0; row < rows; ++row) {
    if (GetCheckbox(row, column) == 1) ++ticked;
  }
  header_.SetItemImage(column, ticked == rows ? CXHeaderCtrl::kChecked : CXHeaderCtrl::kUnchecked);
}

// Returns false when the click is swallowed (a disabled row or one without data).
bool CXListCtrl::OnLeftButtonDown(POINT at) {
  const int rows = GetItemCount();
  int row = -1;
  for (int r = 0; r < rows && row < 0; ++r) {
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    if (SendMessageW(Window(), LVM_GETITEMRECT, r, reinterpret_cast<LPARAM>(&bounds)) &&
        PtInRect(&bounds, at)) {
      row = r;
    }
  }
  if (row < 0) return true;
  std::vector<XListCellData>* cells = Cells(row);
  if (!cells || cells->empty() || !(*cells)[0].enabled) return false;
  const int columns = static_cast<int>(cells->size());
  for (int column = 0; column < columns; ++column) {
    const RECT cell = CellRect(row, column);
    if (!PtInRect(&cell, at)) continue;
    int& state = (*cells)[static_cast<size_t>(column)].checkState;
    if (state == -1) return true;
    state = state == 0 ? 1 : 0;
    RedrawCell(row, column);
    SendMessageW(parent_.Window(), CheckboxClickedMessage(), static_cast<WPARAM>(row), column);
    UpdateHeaderCheckbox(column);
    return true;
  }
  return true;
}

void CXListCtrl::OnColumnClick(int column) {
  const int image = header_.ItemImage(column);
  if (image == CXHeaderCtrl::kNoCheckBox || image < 0) return;
  const bool wasTicked = image == CXHeaderCtrl::kChecked;
  header_.SetItemImage(column, wasTicked ? CXHeaderCtrl::kUnchecked : CXHeaderCtrl::kChecked);
  const int rows = GetItemCount();
  for (int row = 0; row < rows; ++row) {
    std::vector<XListCellData>* cells = Cells(row);
    if (!cells || column >= static_cast<int>(cells->size())) continue;
    int& state = (*cells)[static_cast<size_t>(column)].checkState;
    if (state == -1) continue;
    state = wasTicked ? 0 : 1;
    RedrawCell(row, column);
  }
}

void CXListCtrl::OnPaintEmpty() {
  RECT client, headerRect = {};
  GetClientRect(Window(), &client);
  if (HWND header = header_.Window()) {
    GetWindowRect(header, &headerRect);
    MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&headerRect), 2);
  }
  RECT area = client;
  area.top = headerRect.bottom + kEmptyTextTop;
  if (area.top >= area.bottom) return;
  HDC dc = GetDC(Window());
  FillSolid(dc, area, colours_.window);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
  ::SetTextColor(dc, colours_.windowText);
  SetBkColor(dc, colours_.window);
  DrawTextW(dc, emptyText_.c_str(), -1, &area, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP);
  SelectObject(dc, oldFont);
  ReleaseDC(Window(), dc);
}

LRESULT CXListCtrl::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      break;
    default:
      return CDRF_DODEFAULT;
  }
  const int row = static_cast<int>(draw.nmcd.dwItemSpec);
  const int column = draw.iSubItem;
  COLORREF text = colours_.windowText, back = colours_.window;
  int state = -1;
  bool enabled = true;
  if (const std::vector<XListCellData>* cells = Cells(row);
      cells && column < static_cast<int>(cells->size())) {
    const XListCellData& cell = (*cells)[static_cast<size_t>(column)];
    text = cell.textColour;
    back = cell.backgroundColour;
    state = cell.checkState;
    enabled = (*cells)[0].enabled;
    if (!enabled) text = colours_.greyText;
  }
  const LONG_PTR style = GetWindowLongPtrW(Window(), GWL_STYLE);
  const DWORD exStyle = static_cast<DWORD>(SendMessageW(Window(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  const bool selected = SendMessageW(Window(), LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED;
  if (selected && (exStyle & LVS_EX_FULLROWSELECT)) {
    if (GetFocus() == Window()) {
      text = colours_.highlightText;
      back = colours_.highlight;
    } else if (style & LVS_SHOWSELALWAYS) {
      text = colours_.windowText;
      back = colours_.buttonFace;
    }
  }
  const RECT cell = CellRect(row, column);
  if (state != -1) {
    DrawCheckboxCell(draw.nmcd.hdc, row, column, cell, state, enabled, text, back);
  } else {
    DrawTextCell(draw.nmcd.hdc, row, column, cell, text, back);
  }
  return CDRF_SKIPDEFAULT;
}

void CXListCtrl::DrawTextCell(HDC dc, int row, int column, const RECT& cell, COLORREF text,
                              COLORREF back) {
  FillSolid(dc, cell, back);
  const std::wstring label = CellText(Window(), row, column);
  if (label.empty()) return;
  RECT r = cell;
  ::SetTextColor(dc, text);
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, label.c_str(), -1, &r,
            ColumnAlignment(Window(), column) | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void CXListCtrl::DrawCheckboxCell(HDC dc, int row, int column, const RECT& cell, int state, bool enabled,
                                  COLORREF text, COLORREF back) {
  FillSolid(dc, cell, back);
  const std::wstring label = CellText(Window(), row, column);
  const int side = cell.bottom - cell.top - 1;
  RECT box;
  box.left = label.empty() ? cell.left + (cell.right - cell.left) / 2 - side / 2 - 1 : cell.left + kCheckboxInset;
  box.top = cell.top;
  box.right = box.left + side;
  box.bottom = box.top + side;
  FillSolid(dc, box, colours_.window);
  RECT edge = box;
  edge.left += 1;
  DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);

  if (state == 1) {
    HPEN pen = CreatePen(PS_SOLID, 1, enabled ? RGB(0, 0, 0) : colours_.greyText);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    // Seven strokes three pixels long: down to the left, then up again.
    int x = box.left + 10, y = box.top + 3;
    for (int stroke = 0; stroke < 7; ++stroke) {
      MoveToEx(dc, x, y, nullptr);
      LineTo(dc, x, y + 3);
      --x;
      y += stroke < 4 ? 1 : -1;
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  if (!label.empty()) {
    RECT r = cell;
    r.left = box.right + kCheckboxTextGap;
    ::SetTextColor(dc, text);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, label.c_str(), -1, &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

LRESULT CXListCtrl::ListProcedure(void* control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CXListCtrl*>(control);
  switch (message) {
    case WM_LBUTTONDOWN:
      if (self->GetItemCount() > 0 &&
          !self->OnLeftButtonDown({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))})) {
        return 0;
      }
      break;
    case WM_PAINT: {
      const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      if (self->GetItemCount() == 0) self->OnPaintEmpty();
      return result;
    }
    case WM_SYSCOLORCHANGE:
      self->ReadColours();
      SendMessageW(self->header_.Window(), WM_SYSCOLORCHANGE, wParam, lParam);
      break;
    case LVM_DELETEITEM:
      self->FreeRow(static_cast<int>(wParam));
      break;
    case LVM_DELETEALLITEMS:
    case WM_DESTROY:
      self->FreeAllRows();
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

// The list's notifications arrive at its parent; the list handles its own
// drawing and header clicks there before the parent sees them.
LRESULT CXListCtrl::ParentProcedure(void* control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CXListCtrl*>(control);
  if (message == WM_NOTIFY && self->Window() &&
      reinterpret_cast<NMHDR*>(lParam)->hwndFrom == self->Window()) {
    const NMHDR& header = *reinterpret_cast<NMHDR*>(lParam);
    if (header.code == NM_CUSTOMDRAW) {
      return self->OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
    }
    if (header.code == LVN_COLUMNCLICK) {
      self->OnColumnClick(reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem);
      return 0;
    }
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace norda::ui
