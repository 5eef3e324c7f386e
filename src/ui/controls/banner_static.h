// CBannerStatic: a static text or icon with its own colours, font and margins
// (the banners of the error report and report contents dialogs).
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/window_subclass.h"

namespace norda::ui {

class CBannerStatic {
 public:
  CBannerStatic() = default;
  ~CBannerStatic();
  CBannerStatic(const CBannerStatic&) = delete;
  CBannerStatic& operator=(const CBannerStatic&) = delete;

  // Takes over the dialog's static control; its font becomes the banner's.
  bool Attach(HWND control);
  HWND Window() const { return subclass_.Window(); }

  void SetTextColor(COLORREF color);
  void SetBackgroundColor(COLORREF color);
  void SetBold(bool bold);
  // Face name (at most 31 characters) and size in points for the display.
  void SetFont(const std::wstring& faceName, int pointSize);
  void SetMargins(int left, int top);
  void SetIcon(HICON icon);

 private:
  static LRESULT Procedure(void* self, HWND, UINT, WPARAM, LPARAM);
  void Paint(HDC dc);
  void RebuildFont();
  void Redraw();

  WindowSubclass subclass_;
  LOGFONTW logFont_ = {};
  HFONT font_ = nullptr;
  COLORREF textColor_ = GetSysColor(COLOR_BTNTEXT);
  COLORREF backgroundColor_ = GetSysColor(COLOR_BTNFACE);
  HBRUSH backgroundBrush_ = nullptr;
  bool bold_ = false;
  int leftMargin_ = 0;
  int topMargin_ = 0;
  HICON icon_ = nullptr;
};

}  // namespace norda::ui
