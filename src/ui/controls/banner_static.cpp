#include "ui/controls/banner_static.h"

#include <commctrl.h>

#include <cwchar>

#include "ui/controls/drawing.h"
#include "ui/ui_resources.h"

namespace norda::ui {
namespace {

constexpr UINT_PTR kSubclassId = 0x4E42;  // 'NB'
constexpr size_t kMaxFaceName = 31;

}  // namespace

CBannerStatic::~CBannerStatic() {
  if (window_) RemoveWindowSubclass(window_, Procedure, kSubclassId);
  if (font_) DeleteObject(font_);
  if (backgroundBrush_) DeleteObject(backgroundBrush_);
}

bool CBannerStatic::Attach(HWND control) {
  if (!control || window_) return false;
  window_ = control;
  logFont_ = FontOf(control);
  bold_ = logFont_.lfWeight >= FW_BOLD;
  backgroundBrush_ = CreateSolidBrush(backgroundColor_);
  RebuildFont();
  return SetWindowSubclass(control, Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
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
  if (window_) InvalidateRect(window_, nullptr, TRUE);
}

void CBannerStatic::Paint(HDC dc) {
  RECT client;
  GetClientRect(window_, &client);
  FillRect(dc, &client, backgroundBrush_);
  if (icon_) {
    const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    DrawIconEx(dc, (client.right - cx) / 2, (client.bottom - cy) / 2, icon_, cx, cy, 0, nullptr,
               DI_NORMAL);
    return;
  }
  const std::u16string text = WindowText(window_);
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

LRESULT CALLBACK CBannerStatic::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<CBannerStatic*>(data);
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
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, Procedure, kSubclassId);
      self->window_ = nullptr;
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace norda::ui
