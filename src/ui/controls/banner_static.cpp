#include "ui/controls/banner_static.h"

#include <commctrl.h>

#include <cwchar>

#include "ui/controls/drawing.h"
#include "ui/ui_resources.h"

namespace norda::ui {
namespace {

constexpr size_t kMaxFaceName = 31;

}  // namespace

CBannerStatic::~CBannerStatic() {
  subclass_.Release();
  if (font_) DeleteObject(font_);
  if (backgroundBrush_) DeleteObject(backgroundBrush_);
}

bool CBannerStatic::Attach(HWND control) {
  if (!control || Window()) return false;
  logFont_ = FontOf(control);
  bold_ = logFont_.lfWeight >= FW_BOLD;
  backgroundBrush_ = CreateSolidBrush(backgroundColor_);
  RebuildFont();
  return subclass_.Attach(control, Procedure, this);
}

void CBannerStatic::SetTextColor(COLORREF color) {
  textColor_ = color;
  Redraw();
}

void CBannerStatic::SetBackgroundColor(COLORREF color) {
  backgroundColor_ = color;
  if (backgroundBrush_) DeleteObject(backgroundBrush_);
  backgroundBrush_ = CreateSolidBrush(color);
  Redraw();
}

void CBannerStatic::SetBold(bool bold) {
  bold_ = bold;
  RebuildFont();
  Redraw();
}

void CBannerStatic::SetFont(const std::wstring& faceName, int pointSize) {
  std::wstring face = faceName.substr(0, kMaxFaceName);
  wcsncpy(logFont_.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  logFont_.lfFaceName[LF_FACESIZE - 1] = L'\0';
  HDC screen = GetDC(nullptr);
  logFont_.lfHeight = -MulDiv(pointSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  RebuildFont();
  Redraw();
}

void CBannerStatic::SetMargins(int left, int top) {
  leftMargin_ = left;
  topMargin_ = top;
  Redraw();
}

void CBannerStatic::SetIcon(HICON icon) {
  icon_ = icon;
  Redraw();
}

void CBannerStatic::RebuildFont() {
  logFont_.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
  if (font_) DeleteObject(font_);
  font_ = CreateFontIndirectW(&logFont_);
}

void CBannerStatic::Redraw() {
  if (Window()) InvalidateRect(Window(), nullptr, TRUE);
}

void CBannerStatic::Paint(HDC dc) {
  RECT client;
  GetClientRect(Window(), &client);
  FillRect(dc, &client, backgroundBrush_);
  if (icon_) {
    const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    DrawIconEx(dc, (client.right - cx) / 2, (client.bottom - cy) / 2, icon_, cx, cy, 0, nullptr,
               DI_NORMAL);
    return;
  }
  const std::u16string text = WindowText(Window());
  HGDIOBJ oldFont = SelectObject(dc, font_);
  ::SetTextColor(dc, textColor_);
  SetBkColor(dc, backgroundColor_);
  SetBkMode(dc, OPAQUE);
  RECT area = client;
  area.left += leftMargin_;
  area.top += topMargin_;
  DrawTextW(dc, W(text), static_cast<int>(text.size()), &area, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, oldFont);
}

LRESULT CBannerStatic::Procedure(void* control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CBannerStatic*>(control);
  switch (message) {
    case WM_ERASEBKGND:
      return TRUE;  // painting fills the whole client area
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      self->Paint(dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      self->Redraw();
      return result;
    }
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace norda::ui
