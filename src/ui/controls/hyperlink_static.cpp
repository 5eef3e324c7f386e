#include "ui/controls/hyperlink_static.h"

#include <commctrl.h>
#include <shellapi.h>

#include "ui/controls/drawing.h"
#include "ui/ui_resources.h"

namespace norda::ui {
namespace {

constexpr int kHelpHandCursorId = 106;  // the hand in the old help program

// The system hand, or on systems without one the help program's hand.
HCURSOR LoadHandCursor(bool& owned) {
  owned = false;
  if (HCURSOR hand = LoadCursorW(nullptr, IDC_HAND)) return hand;
  wchar_t path[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(path, MAX_PATH);
  if (n == 0 || n + 14 >= MAX_PATH) return nullptr;
  wcscat(path, L"\\winhlp32.exe");
  HMODULE help = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!help) return nullptr;
  HCURSOR hand = nullptr;
  if (HCURSOR shared = LoadCursorW(help, MAKEINTRESOURCEW(kHelpHandCursorId))) {
    hand = CopyCursor(shared);
    owned = hand != nullptr;
  }
  FreeLibrary(help);
  return hand;
}

}  // namespace

UINT HyperlinkClickedMessage() {
  static const UINT message = RegisterWindowMessageW(L"WM_XHYPERLINK_CLICKED");
  return message;
}

CHyperlinkStatic::~CHyperlinkStatic() {
  if (Window()) KillTimer(Window(), kTimerId);
  link_.Release();
  parent_.Release();
  if (toolTip_) DestroyWindow(toolTip_);
  if (normalFont_) DeleteObject(normalFont_);
  if (underlinedFont_) DeleteObject(underlinedFont_);
  if (backgroundBrush_) DeleteObject(backgroundBrush_);
  if (ownsCursor_ && handCursor_) DestroyCursor(handCursor_);
}

bool CHyperlinkStatic::Attach(HWND control) {
  if (!control || Window()) return false;
  // Clicks must reach the control, and it tells of them.
  SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);
  if (target_.empty()) target_ = W(WindowText(control));

  LOGFONTW logFont = FontOf(control);
  logFont.lfUnderline = FALSE;
  normalFont_ = CreateFontIndirectW(&logFont);
  logFont.lfUnderline = TRUE;
  underlinedFont_ = CreateFontIndirectW(&logFont);
  handCursor_ = LoadHandCursor(ownsCursor_);
  SetBackgroundColour(backgroundColour_);

  if (!link_.Attach(control, Procedure, this) || !parent_.Attach(GetParent(control), ParentProcedure, this)) {
    return false;
  }
  ApplyFont();
  AdjustToFit();
  UpdateToolTip();
  return true;
}

void CHyperlinkStatic::SetColours(COLORREF link, COLORREF visited, COLORREF hover) {
  linkColour_ = link;
  visitedColour_ = visited;
  hoverColour_ = hover == CLR_INVALID ? GetSysColor(COLOR_HIGHLIGHT) : hover;
  Redraw();
}

void CHyperlinkStatic::SetBackgroundColour(COLORREF colour) {
  backgroundColour_ = colour;
  if (backgroundBrush_) DeleteObject(backgroundBrush_);
  backgroundBrush_ =
      CreateSolidBrush(colour == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : colour);
  Redraw();
}

void CHyperlinkStatic::SetTarget(const std::wstring& target) {
  target_ = target;
  AdjustToFit();
  UpdateToolTip();
}

void CHyperlinkStatic::SetText(const std::wstring& text) {
  if (!Window()) return;
  SetWindowTextW(Window(), L"");
  RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  SetWindowTextW(Window(), text.c_str());
  AdjustToFit();
}

void CHyperlinkStatic::SetVisited(bool visited) {
  visited_ = visited;
  Redraw();
}

void CHyperlinkStatic::EnableAdjustToFit(bool on) {
  adjustToFit_ = on;
  AdjustToFit();
}
void CHyperlinkStatic::EnableOpenTarget(bool on) { openTarget_ = on; }
void CHyperlinkStatic::EnableNotifyParent(bool on) { notifyParent_ = on; }
void CHyperlinkStatic::EnableNewWindow(bool on) { newWindow_ = on; }

void CHyperlinkStatic::EnableToolTip(bool on) {
  toolTipOn_ = on;
  UpdateToolTip();
}

void CHyperlinkStatic::SetUnderline(Underline mode) {
  underline_ = mode;
  ApplyFont();
}

void CHyperlinkStatic::ApplyFont() {
  if (!Window()) return;
  const bool underlined =
      underline_ == Underline::Always || (underline_ == Underline::WhileHovering && mouseOver_);
  currentFont_ = underlined ? underlinedFont_ : normalFont_;
  Redraw();
}

void CHyperlinkStatic::UpdateToolTip() {
  if (!Window()) return;
  if (!toolTipOn_) {
    if (toolTip_) DestroyWindow(toolTip_);
    toolTip_ = nullptr;
    return;
  }
  if (!toolTip_) {
    toolTip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetParent(Window()),
                               nullptr, nullptr, nullptr);
    if (!toolTip_) return;
  }
  TOOLINFOW info = {};
  info.cbSize = sizeof info;
  info.uFlags = TTF_SUBCLASS;
  info.hwnd = Window();
  info.uId = 1;
  GetClientRect(Window(), &info.rect);
  info.lpszText = const_cast<wchar_t*>(target_.c_str());
  SendMessageW(toolTip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void CHyperlinkStatic::AdjustToFit() {
  if (!Window() || !adjustToFit_) return;
  const std::u16string text = WindowText(Window());
  HDC dc = GetDC(Window());
  HGDIOBJ old = SelectObject(dc, underlinedFont_);
  SIZE extent = {};
  GetTextExtentPoint32W(dc, W(text), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(Window(), dc);

  RECT windowRect, clientRect;
  GetWindowRect(Window(), &windowRect);
  GetClientRect(Window(), &clientRect);
  const int borderX = (windowRect.right - windowRect.left) - clientRect.right;
  const int borderY = (windowRect.bottom - windowRect.top) - clientRect.bottom;
  const int width = extent.cx + borderX, height = extent.cy + borderY;
  MapWindowPoints(nullptr, GetParent(Window()), reinterpret_cast<POINT*>(&windowRect), 2);

  const LONG_PTR style = GetWindowLongPtrW(Window(), GWL_STYLE);
  int left = windowRect.left, top = windowRect.top;
  const int oldWidth = windowRect.right - windowRect.left;
  const int oldHeight = windowRect.bottom - windowRect.top;
  if ((style & SS_TYPEMASK) == SS_RIGHT) {
    left = windowRect.right - width;
  } else if ((style & SS_TYPEMASK) == SS_CENTER) {
    left = windowRect.left + (oldWidth - width) / 2;
  }
  if (style & SS_CENTERIMAGE) top = windowRect.top + (oldHeight - height) / 2;
  SetWindowPos(Window(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateToolTip();
}

COLORREF CHyperlinkStatic::CurrentTextColour() const {
  if (mouseOver_) return hoverColour_;
  return visited_ ? visitedColour_ : linkColour_;
}

void CHyperlinkStatic::Redraw() {
  if (Window()) InvalidateRect(Window(), nullptr, TRUE);
}

void CHyperlinkStatic::Paint(HDC dc) {
  RECT client;
  GetClientRect(Window(), &client);
  FillRect(dc, &client, backgroundBrush_);
  const std::u16string text = WindowText(Window());
  HGDIOBJ old = SelectObject(dc, currentFont_ ? currentFont_ : normalFont_);
  SetTextColor(dc, CurrentTextColour());
  SetBkMode(dc, TRANSPARENT);
  const LONG_PTR style = GetWindowLongPtrW(Window(), GWL_STYLE);
  UINT format = DT_NOPREFIX | DT_SINGLELINE;
  if ((style & SS_TYPEMASK) == SS_RIGHT) format |= DT_RIGHT;
  if ((style & SS_TYPEMASK) == SS_CENTER) format |= DT_CENTER;
  if (style & SS_CENTERIMAGE) format |= DT_VCENTER;
  DrawTextW(dc, W(text), static_cast<int>(text.size()), &client, format);
  SelectObject(dc, old);
}

void CHyperlinkStatic::OnMouseMove() {
  if (mouseOver_) return;
  mouseOver_ = true;
  ApplyFont();
  SetTimer(Window(), kTimerId, kTimerMilliseconds, nullptr);
}

void CHyperlinkStatic::OnTimer() {
  POINT cursor;
  GetCursorPos(&cursor);
  ScreenToClient(Window(), &cursor);
  RECT client;
  GetClientRect(Window(), &client);
  if (PtInRect(&client, cursor)) return;
  mouseOver_ = false;
  KillTimer(Window(), kTimerId);
  ApplyFont();
}

bool CHyperlinkStatic::OpenTarget() {
  const wchar_t* verb = newWindow_ ? L"new" : L"open";
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, verb, target_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

// The font stays as it is: the timer restores it once the mouse has left.
void CHyperlinkStatic::OnClick() {
  mouseOver_ = false;
  const bool ok = !openTarget_ || OpenTarget();
  if (ok) {
    SetVisited(true);
  } else {
    MessageBeep(MB_ICONEXCLAMATION);
  }
  if (notifyParent_) {
    SendMessageW(GetParent(Window()), HyperlinkClickedMessage(),
                 static_cast<WPARAM>(GetDlgCtrlID(Window())), 0);
  }
}

LRESULT CHyperlinkStatic::Procedure(void* control, HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
  auto* self = static_cast<CHyperlinkStatic*>(control);
  switch (message) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      self->Paint(dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_MOUSEMOVE:
      self->OnMouseMove();
      break;
    case WM_TIMER:
      if (wParam == kTimerId) {
        self->OnTimer();
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (self->handCursor_) {
        SetCursor(self->handCursor_);
        return TRUE;
      }
      break;
    case WM_NCDESTROY:
      KillTimer(window, kTimerId);
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CHyperlinkStatic::ParentProcedure(void* control, HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  auto* self = static_cast<CHyperlinkStatic*>(control);
  if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED && self->Window() &&
      reinterpret_cast<HWND>(lParam) == self->Window()) {
    self->OnClick();
    return 0;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace norda::ui
