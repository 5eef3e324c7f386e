// CXHeaderCtrl: the header of the check-box list. It paints every item itself
// (image, then text), with separators and a frame, double-buffered; an item's
// image index carries the column's check box (0 none, 1 empty, 2 ticked).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/controls/window_subclass.h"

namespace norda::ui {

class CXHeaderCtrl {
 public:
  static constexpr int kNoCheckBox = 0;
  static constexpr int kUnchecked = 1;
  static constexpr int kChecked = 2;

  CXHeaderCtrl();
  CXHeaderCtrl(const CXHeaderCtrl&) = delete;
  CXHeaderCtrl& operator=(const CXHeaderCtrl&) = delete;

  // Takes over a list's header window.
  bool Attach(HWND header);
  HWND Window() const { return subclass_.Window(); }

  // Gives the header its images; the header keeps their size for its layout.
  void SetImageList(HIMAGELIST images);
  // The item's image index, or -1 when there is no such item.
  int ItemImage(int item) const;
  // Sets the item's image and repaints the header at once.
  void SetItemImage(int item, int image);

  void SetSpacing(int pixels) { spacing_ = pixels; }
  void EnableDoubleBuffer(bool on) { doubleBuffer_ = on; }
  void EnableWideLayout(bool on) { wideLayout_ = on; }

 private:
  static LRESULT Procedure(void* self, HWND, UINT, WPARAM, LPARAM);
  void OnPaint();
  void Draw(HDC dc, const RECT& client);
  void DrawItem(HDC dc, int item, const RECT& itemRect);
  void ReadColours();

  WindowSubclass subclass_;
  bool doubleBuffer_ = true;
  int spacing_ = 6;
  int imageWidth_ = 0;
  int imageHeight_ = 0;
  bool wideLayout_ = false;
  COLORREF highlight_, shadow_, face_;
};

}  // namespace norda::ui
