// The check-box list on a real list view: what its setters refuse, what the
// parent is told, and rows that are not the list's own. (The clicks on rows
// and on the header box, as the user makes them: tests/e2e/contents_viewer.py.)
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/controls/xlist_ctrl.h"

namespace norda::ui {
namespace {

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
    WNDCLASSW host = {0, HostProcedure, 0, 0, GetModuleHandleW(nullptr)};
    host.lpszClassName = L"XListCtrlTestHost";
    RegisterClassW(&host);
    parent = CreateWindowExW(0, L"XListCtrlTestHost", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                             300, nullptr, nullptr, host.hInstance, nullptr);
    window = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 0, 0,
                             500, 200, parent, reinterpret_cast<HMENU>(100), host.hInstance, nullptr);
    ASSERT_TRUE(list.Attach(window));
    SendMessageW(window, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < 3; ++column) {
      LVCOLUMNW info = {LVCF_WIDTH, 0, 100};
      SendMessageW(window, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
    }
    list.Header().SetItemImage(0, CXHeaderCtrl::kUnchecked);
    for (int row = 0; row < 3; ++row) {
      ASSERT_EQ(list.InsertItem(row, L""), row);
      ASSERT_TRUE(list.SetCheckbox(row, 0, 1));
      ASSERT_TRUE(list.SetItemText(row, 1, L"file"));
    }
    g_toggles.clear();
  }

  void TearDown() override { DestroyWindow(parent); }

  // Clicks a row at x (columns are 100 pixels wide), or the header's first
  // item for row -1.
  void Click(int x, int row) {
    HWND target = row < 0 ? list.Header().Window() : window;
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(target, row < 0 ? HDM_GETITEMRECT : LVM_GETITEMRECT, row < 0 ? 0 : row,
                 reinterpret_cast<LPARAM>(&bounds));
    const LPARAM at = MAKELPARAM(x, (bounds.top + bounds.bottom) / 2);
    SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(target, WM_LBUTTONUP, 0, at);
  }

  bool Selected(int row) const { return SendMessageW(window, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0; }

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

TEST_F(XListCtrlTest, TheParentIsToldOfARowsToggleAndNotOfTheHeaders) {
  Click(5, 1);  // far left of the cell, away from the box
  EXPECT_EQ(list.GetCheckbox(1, 0), 0);
  EXPECT_TRUE(Selected(1)) << "the row is selected too";
  EXPECT_EQ(g_toggles, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 0}}));
  Click(50, -1);
  EXPECT_EQ(list.GetCheckbox(1, 0), 1) << "the header box ticks every row";
  EXPECT_EQ(g_toggles.size(), 1u);
}

TEST_F(XListCtrlTest, ARowWithoutCellRecordsSwallowsTheClick) {
  LVITEMW item = {LVIF_TEXT, 3};
  item.pszText = const_cast<wchar_t*>(L"foreign");
  ASSERT_EQ(SendMessageW(window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 3);
  Click(150, 3);
  EXPECT_FALSE(Selected(3));
  EXPECT_EQ(list.GetCheckbox(3, 0), -1);
}

}  // namespace
}  // namespace norda::ui
