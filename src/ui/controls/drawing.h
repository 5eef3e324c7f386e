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

// Only top-level windows hear that the user changed the system colours: a
// dialog passes the news on to its controls, which read their colours again.
inline void PassToControls(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
    SendMessageW(control, message, wParam, lParam);
  }
}

}  // namespace norda::ui
