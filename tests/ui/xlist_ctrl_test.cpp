// The check-box list on a real list view: its setters and getters, the click
// rules, the header check box, and what the parent is told.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/controls/xlist_ctrl.h"

namespace norda::ui {
namespace {

constexpr int kListId = 100;
std::vector<std::pair<WPARAM, LPARAM>> g_toggles;  // what the parent was told

LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == CheckboxClickedMessage()) {
    g_toggles.emplace_back(wParam, lParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class XListCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW host = {};
    host.lpfnWndProc = HostProcedure;
    host.hInstance = GetModuleHandleW(nullptr);
    host.lpszClassName = L"XListCtrlTestHost";
    RegisterClassW(&host);
    parent = CreateWindowExW(0, L"XListCtrlTestHost", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                             300, nullptr, nullptr, host.hInstance, nullptr);
    window = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT |
                             LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 500, 200, parent,
                             reinterpret_cast<HMENU>(kListId), host.hInstance, nullptr);
    ASSERT_TRUE(list.Attach(window));
    SendMessageW(window, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < 3; ++column) {
      LVCOLUMNW info = {};
      info.mask = LVCF_WIDTH | LVCF_TEXT;
      info.cx = 100;
      info.pszText = const_cast<wchar_t*>(L"column");
      SendMessageW(window, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
    }
    list.Header().SetItemImage(0, CXHeaderCtrl::kUnchecked);
    for (int row = 0; row < 3; ++row) {
      ASSERT_EQ(list.InsertItem(row, L""), row);
      ASSERT_TRUE(list.SetCheckbox(row, 0, 1));
      ASSERT_TRUE(list.SetItemText(row, 1, L"file " + std::to_wstring(row)));
    }
    g_toggles.clear();
  }

  void TearDown() override { DestroyWindow(parent); }

  std::vector<int> States() const {
    std::vector<int> states;
    for (int row = 0; row < list.GetItemCount(); ++row) states.push_back(list.GetCheckbox(row, 0));
    return states;
  }

  // Centre of a cell: rows from the list view, columns 100 pixels wide.
  POINT CellCentre(int row, int column) const {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(window, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    return {column * 100 + 50, (bounds.top + bounds.bottom) / 2};
  }

  static void Click(HWND target, POINT at) {
    SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  }

  bool Selected(int row) const {
    return SendMessageW(window, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED;
  }

  HWND parent = nullptr;
  HWND window = nullptr;
  CXListCtrl list;
};

TEST_F(XListCtrlTest, SettersAndGettersRefuseIndexesOutOfRange) {
  EXPECT_EQ(list.GetCheckbox(3, 0), -1);
  EXPECT_EQ(list.GetCheckbox(0, 3), -1);
  EXPECT_EQ(list.GetCheckbox(-1, 0), -1);
  EXPECT_EQ(list.GetCheckbox(0, 1), -1);  // a text cell has no check box
  EXPECT_FALSE(list.SetCheckbox(3, 0, 1));
  EXPECT_FALSE(list.SetItemText(0, 3, L"x"));
  EXPECT_FALSE(list.SetItemText(5, 1, L"x"));
  list.DeleteAllItems();
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_EQ(list.GetCheckbox(0, 0), -1);
}

TEST_F(XListCtrlTest, TheHeaderBoxIsTickedOnlyWhileEveryRowIs) {
  EXPECT_EQ(list.Header().ItemImage(0), CXHeaderCtrl::kChecked);
  list.SetCheckbox(1, 0, 0);
  EXPECT_EQ(list.Header().ItemImage(0), CXHeaderCtrl::kUnchecked);
  list.SetCheckbox(1, 0, 1);
  EXPECT_EQ(list.Header().ItemImage(0), CXHeaderCtrl::kChecked);
  EXPECT_EQ(list.Header().ItemImage(1), 0) << "a column without a check box keeps its image";
}

TEST_F(XListCtrlTest, AClickAnywhereInACheckBoxCellTogglesItAndTellsTheParent) {
  Click(window, {5, CellCentre(1, 0).y});  // far left of the cell, away from the box
  EXPECT_EQ(States(), (std::vector<int>{1, 0, 1}));
  EXPECT_TRUE(Selected(1)) << "the row is selected too";
  EXPECT_EQ(list.Header().ItemImage(0), CXHeaderCtrl::kUnchecked);
  ASSERT_EQ(g_toggles.size(), 1u);
  EXPECT_EQ(g_toggles[0], (std::pair<WPARAM, LPARAM>{1, 0}));

  Click(window, CellCentre(1, 0));
  EXPECT_EQ(States(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(list.Header().ItemImage(0), CXHeaderCtrl::kChecked);
}

TEST_F(XListCtrlTest, AClickOnATextCellSelectsTheRowAndTicksNothing) {
  Click(window, CellCentre(2, 1));
  EXPECT_EQ(States(), (std::vector<int>{1, 1, 1}));
  EXPECT_TRUE(Selected(2));
  EXPECT_TRUE(g_toggles.empty());
}

TEST_F(XListCtrlTest, ARowWithoutCellRecordsSwallowsTheClick) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = 3;
  item.pszText = const_cast<wchar_t*>(L"foreign");
  ASSERT_EQ(SendMessageW(window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 3);
  Click(window, CellCentre(3, 1));
  EXPECT_FALSE(Selected(3));
  EXPECT_EQ(list.GetCheckbox(3, 0), -1);
}

TEST_F(XListCtrlTest, TheHeaderBoxUnticksAndTicksEveryRow) {
  HWND header = list.Header().Window();
  RECT item;
  SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  const POINT centre = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};

  Click(header, centre);
  EXPECT_EQ(States(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(list.Header().ItemImage(0), CXHeaderCtrl::kUnchecked);
  Click(header, centre);
  EXPECT_EQ(States(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(list.Header().ItemImage(0), CXHeaderCtrl::kChecked);
  EXPECT_TRUE(g_toggles.empty()) << "the header click tells the parent nothing";

  list.SetCheckbox(0, 0, 0);
  Click(header, centre);  // not all ticked: the click ticks them all
  EXPECT_EQ(States(), (std::vector<int>{1, 1, 1}));
}

}  // namespace
}  // namespace norda::ui
