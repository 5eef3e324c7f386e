// CXListCtrl: a report-style list that draws every cell itself and can show a
// check box in any cell. A click anywhere in a check-box cell toggles it; the
// header check box of a column mirrors its rows and toggles them all.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/controls/window_subclass.h"
#include "ui/controls/xheader_ctrl.h"

namespace norda::ui {

// Sent to the parent after a click toggled a check box: row, column.
UINT CheckboxClickedMessage();
// Registered for the combo-box cells, which this program does not use.
UINT ComboSelectionMessage();

// One cell's record; a row holds one per column, made when the row is inserted.
struct XListCellData {
  BOOL enabled = TRUE;  // the first cell's flag counts for the whole row
  BOOL bold = FALSE;
  int image = -1;
  std::wstring toolTip;
  // The combo feature's values, kept as data only.
  int comboKind = 0, comboSelection = 0, comboEdit = 0, comboHeight = 10, comboSort = 0;
  COLORREF textColour = GetSysColor(COLOR_WINDOWTEXT);
  COLORREF backgroundColour = GetSysColor(COLOR_WINDOW);
  BOOL progress = FALSE;
  int progressPercent = 0;
  std::wstring progressText;
  BOOL showProgressText = TRUE;
  int checkState = -1;  // -1 no check box, 0 not ticked, 1 ticked
  DWORD_PTR itemData = 0;
};

class CXListCtrl {
 public:
  CXListCtrl();
  ~CXListCtrl();
  CXListCtrl(const CXListCtrl&) = delete;
  CXListCtrl& operator=(const CXListCtrl&) = delete;

  // Takes over a dialog's list view and its header; the parent's notifications
  // about the list come back to the list.
  bool Attach(HWND list);
  HWND Window() const { return list_.Window(); }
  CXHeaderCtrl& Header() { return header_; }
  // The header's images (blank, empty box, ticked box); the list keeps and
  // destroys them.
  void SetHeaderImageList(HIMAGELIST images);
  // What the list says under its header while it has no rows.
  void SetEmptyText(const std::wstring& text) { emptyText_ = text; }

  // Inserts a row; its cell records take the columns that exist now.
  int InsertItem(int row, const std::wstring& text);
  BOOL SetItemText(int row, int column, const std::wstring& text);
  // state -1, 0 or 1; also updates the column's header check box.
  BOOL SetCheckbox(int row, int column, int state);
  int GetCheckbox(int row, int column) const;
  void DeleteAllItems();
  int GetItemCount() const;

 private:
  // The system colours that the drawing uses, read again when they change.
  struct Colours {
    COLORREF buttonFace, greyText, highlight, highlightText, window, windowText;
  };

  static LRESULT ListProcedure(void* self, HWND, UINT, WPARAM, LPARAM);
  static LRESULT ParentProcedure(void* self, HWND, UINT, WPARAM, LPARAM);
  std::vector<XListCellData>* Cells(int row) const;
  void FreeRow(int row);
  void FreeAllRows();
  int ColumnCount() const;
  RECT CellRect(int row, int column) const;
  void RedrawCell(int row, int column);
  void UpdateHeaderCheckbox(int column);
  bool OnLeftButtonDown(POINT at);
  void OnColumnClick(int column);
  void OnPaintEmpty();
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
  void DrawTextCell(HDC dc, int row, int column, const RECT& cell, COLORREF text, COLORREF back);
  void DrawCheckboxCell(HDC dc, int row, int column, const RECT& cell, int state, bool enabled,
                        COLORREF text, COLORREF back);
  void ReadColours();

  WindowSubclass list_;
  WindowSubclass parent_;  // the list's notifications arrive there
  CXHeaderCtrl header_;
  bool headerTakenOver_ = false;
  HIMAGELIST headerImages_ = nullptr;
  Colours colours_ = {};
  std::wstring emptyText_;
};

}  // namespace norda::ui
