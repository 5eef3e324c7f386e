// Small drawing helpers that the program's controls share.
#pragma once

#include <windows.h>

namespace norda::ui {

// Fills a rectangle with one colour (without making a brush).
inline void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

// The font a control shows its text in: its own, else the dialog font.
inline LOGFONTW FontOf(HWND control) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW logFont = {};
  GetObjectW(font, sizeof logFont, &logFont);
  return logFont;
}

}  // namespace norda::ui
