// CHyperlinkStatic: the "Click here" link. It turns red and underlined under
// the mouse, shows the hand cursor, and tells its parent when it is clicked:
// the static control's own click notification, which arrives at the parent,
// is taken back there.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/window_subclass.h"

namespace norda::ui {

// The registered message a clicked link sends to its parent: the control's
// dialog id as WPARAM, 0 as LPARAM.
UINT HyperlinkClickedMessage();

class CHyperlinkStatic {
 public:
  enum class Underline { WhileHovering = -1, Never = 0, Always = 1 };

  CHyperlinkStatic() = default;
  ~CHyperlinkStatic();
  CHyperlinkStatic(const CHyperlinkStatic&) = delete;
  CHyperlinkStatic& operator=(const CHyperlinkStatic&) = delete;

  // Takes over the dialog's static control, and its click notifications at
  // the dialog.
  bool Attach(HWND control);
  HWND Window() const { return link_.Window(); }

  // A hover colour of -1 (CLR_INVALID) means the system highlight colour.
  void SetColours(COLORREF link, COLORREF visited, COLORREF hover);
  void SetBackgroundColour(COLORREF colour);  // CLR_INVALID: button face
  void SetTarget(const std::wstring& target);
  void SetText(const std::wstring& text);
  void SetVisited(bool visited);
  void EnableAdjustToFit(bool on);
  void EnableOpenTarget(bool on);
  void EnableNotifyParent(bool on);
  void EnableToolTip(bool on);
  void EnableNewWindow(bool on);
  void SetUnderline(Underline mode);

  bool IsVisited() const { return visited_; }
  bool IsMouseOver() const { return mouseOver_; }

  static constexpr COLORREF kLinkColour = RGB(0, 0, 238);
  static constexpr COLORREF kVisitedColour = RGB(85, 26, 139);
  static constexpr COLORREF kHoverColour = RGB(255, 0, 0);
  static constexpr UINT_PTR kTimerId = 100;
  static constexpr UINT kTimerMilliseconds = 100;

 private:
  static LRESULT Procedure(void* self, HWND, UINT, WPARAM, LPARAM);
  static LRESULT ParentProcedure(void* self, HWND, UINT, WPARAM, LPARAM);
  void Paint(HDC dc);
  void OnMouseMove();
  void OnTimer();
  void OnClick();
  bool OpenTarget();
  void AdjustToFit();
  void ApplyFont();
  void UpdateToolTip();
  void Redraw();
  COLORREF CurrentTextColour() const;

  WindowSubclass link_;
  WindowSubclass parent_;
  HWND toolTip_ = nullptr;
  std::wstring target_;
  COLORREF linkColour_ = kLinkColour;
  COLORREF visitedColour_ = kVisitedColour;
  COLORREF hoverColour_ = kHoverColour;
  COLORREF backgroundColour_ = CLR_INVALID;
  HBRUSH backgroundBrush_ = nullptr;
  bool mouseOver_ = false;
  bool visited_ = false;
  bool adjustToFit_ = true;
  bool openTarget_ = true;
  bool notifyParent_ = false;
  bool toolTipOn_ = true;
  bool newWindow_ = false;
  Underline underline_ = Underline::WhileHovering;
  HFONT normalFont_ = nullptr;
  HFONT underlinedFont_ = nullptr;
  HFONT currentFont_ = nullptr;
  HCURSOR handCursor_ = nullptr;
  bool ownsCursor_ = false;
};

}  // namespace norda::ui
