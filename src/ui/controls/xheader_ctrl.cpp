#include "ui/controls/xheader_ctrl.h"

#include <vector>

#include "ui/controls/drawing.h"

namespace norda::ui {
namespace {

constexpr int kSeparatorInset = 2;
constexpr int kMaxItemText = 260;

void FillBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  FillSolid(dc, RECT{x, y, x + width, y + height}, colour);
}

}  // namespace

CXHeaderCtrl::CXHeaderCtrl() { ReadColours(); }

bool CXHeaderCtrl::Attach(HWND header) {
  if (!header || Window()) return false;
  if (HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(header, HDM_GETIMAGELIST, 0, 0))) {
    ImageList_GetIconSize(images, &imageWidth_, &imageHeight_);
  }
  return subclass_.Attach(header, Procedure, this);
}

void CXHeaderCtrl::SetImageList(HIMAGELIST images) {
  if (!Window()) return;
  SendMessageW(Window(), HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
}

int CXHeaderCtrl::ItemImage(int item) const {
  HDITEMW hd = {};
  hd.mask = HDI_IMAGE;
  if (!Window() || !SendMessageW(Window(), HDM_GETITEMW, item, reinterpret_cast<LPARAM>(&hd))) return -1;
  return hd.iImage;
}

void CXHeaderCtrl::SetItemImage(int item, int image) {
  if (!Window()) return;
  HDITEMW hd = {};
  hd.mask = HDI_FORMAT;
  SendMessageW(Window(), HDM_GETITEMW, item, reinterpret_cast<LPARAM>(&hd));
  hd.mask = HDI_IMAGE | HDI_FORMAT;
  hd.fmt |= HDF_IMAGE;
  hd.iImage = image;
  SendMessageW(Window(), HDM_SETITEMW, item, reinterpret_cast<LPARAM>(&hd));
  InvalidateRect(Window(), nullptr, FALSE);
  UpdateWindow(Window());
}

void CXHeaderCtrl::ReadColours() {
  highlight_ = GetSysColor(COLOR_BTNHIGHLIGHT);
  shadow_ = GetSysColor(COLOR_BTNSHADOW);
  face_ = GetSysColor(COLOR_BTNFACE);
}

void CXHeaderCtrl::OnPaint() {
  PAINTSTRUCT ps;
  HDC screen = BeginPaint(Window(), &ps);
  RECT client;
  GetClientRect(Window(), &client);
  const RECT& area = ps.rcPaint;
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (doubleBuffer_ && width > 0 && height > 0) {
    // Drawn off-screen and copied in one step, so the header never flickers
    // while a column is dragged wider.
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    SetViewportOrgEx(memory, -area.left, -area.top, nullptr);
    Draw(memory, client);
    SetViewportOrgEx(memory, 0, 0, nullptr);
    BitBlt(screen, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
  } else {
    Draw(screen, client);
  }
  EndPaint(Window(), &ps);
}

void CXHeaderCtrl::Draw(HDC dc, const RECT& client) {
  FillSolid(dc, client, face_);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(Window(), WM_GETFONT, 0, 0)));
  const int count = static_cast<int>(SendMessageW(Window(), HDM_GETITEMCOUNT, 0, 0));
  std::vector<int> order(static_cast<size_t>(count > 0 ? count : 0));
  if (count > 0) SendMessageW(Window(), HDM_GETORDERARRAY, count, reinterpret_cast<LPARAM>(order.data()));
  int totalWidth = 0;
  for (int i = 0; i < count; ++i) {
    RECT r;
    if (!SendMessageW(Window(), HDM_GETITEMRECT, order[i], reinterpret_cast<LPARAM>(&r))) continue;
    totalWidth = r.right > totalWidth ? r.right : totalWidth;
    DrawItem(dc, order[i], r);
    const int lineHeight = r.bottom - r.top - 2 * kSeparatorInset;
    if (i + 1 < count && lineHeight > 0) {
      FillBox(dc, r.right - 1, r.top + kSeparatorInset, 1, lineHeight, shadow_);
      FillBox(dc, r.right, r.top + kSeparatorInset, 1, lineHeight, highlight_);
    }
  }
  const int height = client.bottom - client.top;
  FillBox(dc, 0, 0, totalWidth, 1, highlight_);
  FillBox(dc, 0, 0, 1, height, highlight_);
  FillBox(dc, 0, height - 1, totalWidth, 1, shadow_);
  FillBox(dc, totalWidth - 1, 0, 1, height, shadow_);
  SelectObject(dc, oldFont);
}

void CXHeaderCtrl::DrawItem(HDC dc, int item, const RECT& itemRect) {
  wchar_t text[kMaxItemText] = {};
  HDITEMW hd = {};
  hd.mask = HDI_TEXT | HDI_IMAGE | HDI_FORMAT | HDI_LPARAM;
  hd.pszText = text;
  hd.cchTextMax = kMaxItemText;
  SendMessageW(Window(), HDM_GETITEMW, item, reinterpret_cast<LPARAM>(&hd));

  if (hd.fmt & HDF_OWNERDRAW) {
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_HEADER;
    draw.CtlID = static_cast<UINT>(GetDlgCtrlID(Window()));
    draw.itemID = static_cast<UINT>(item);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.hwndItem = Window();
    draw.hDC = dc;
    draw.rcItem = itemRect;
    draw.itemData = static_cast<ULONG_PTR>(hd.lParam);
    SendMessageW(GetParent(Window()), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    return;
  }

  RECT r = itemRect;
  r.left += spacing_;
  r.right -= spacing_;
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(Window(), HDM_GETIMAGELIST, 0, 0));
  if (images && (hd.fmt & HDF_IMAGE) && hd.iImage >= 0 && r.right - r.left >= imageWidth_) {
    const int y = r.top + (r.bottom - r.top - imageHeight_) / 2;
    ImageList_DrawEx(images, hd.iImage, dc, r.left, y, imageWidth_, imageHeight_, face_, CLR_NONE,
                     ILD_TRANSPARENT);
    r.left += imageWidth_ + spacing_;
  }
  if (text[0] && r.right > r.left) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
}

LRESULT CXHeaderCtrl::Procedure(void* control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CXHeaderCtrl*>(control);
  switch (message) {
    case WM_PAINT:
      self->OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;  // painting covers everything
    case HDM_SETIMAGELIST: {
      auto* images = reinterpret_cast<HIMAGELIST>(lParam);
      self->imageWidth_ = self->imageHeight_ = 0;
      if (images) ImageList_GetIconSize(images, &self->imageWidth_, &self->imageHeight_);
      break;
    }
    case WM_SYSCOLORCHANGE:
      self->ReadColours();
      break;
    case HDM_LAYOUT:
      if (self->wideLayout_) {
        auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
        const int border = 2 * GetSystemMetrics(SM_CXBORDER);
        layout->prc->left -= border;
        layout->prc->right += border;
      }
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace norda::ui
