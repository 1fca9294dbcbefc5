#pragma once
// The Win32 realisation of a control: one native window per control, made and kept in step by
// TWinWidget. Only *_win.cpp files include this header.
#include <windows.h>

#include <string>

#include "ui/graphics.h"
#include "ui/widget.h"

namespace qvx {

// The window class of forms, and of the gauge (gauge_window_win.cpp).
extern const char kFormClassName[];
extern const char kGaugeClassName[];
void RegisterGaugeClass();

// Messages of the gauge window beside the progress bar's own (PBM_SETRANGE32, PBM_GETRANGE,
// PBM_SETPOS, PBM_GETPOS, PBM_SETBARCOLOR, PBM_SETBKCOLOR), which it answers the same way.
constexpr UINT QGM_SETTEXTSHOWN = WM_USER + 100;  // wParam: show "%d%%"
constexpr UINT QGM_GETTEXTSHOWN = WM_USER + 101;
constexpr UINT QGM_SETVERTICAL = WM_USER + 102;   // wParam: fill from the bottom
constexpr UINT QGM_SETTEXTCOLOR = WM_USER + 103;  // lParam: COLORREF

COLORREF ColorToRGB(TColor color);

class TWinWidget : public TWidget {
 public:
  explicit TWinWidget(TControl& control);
  ~TWinWidget() override;

  void Changed(TChange what, int index) override;
  void* Handle() const override { return FHwnd; }
  void NonClientSize(int32_t& dx, int32_t& dy) const override;

  // The widget behind one of our windows, or nullptr for any other window.
  static TWinWidget* FromHwnd(HWND hwnd);
  TControl& Control() const { return FControl; }

  // Notifications that the platform sends to the parent window about this control.
  void Command(WORD code);
  HBRUSH ControlColor(HDC dc);
  // The form's own messages; false for those left to the default handling.
  bool FormMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

 private:
  void Create();
  void Destroy();
  void Recreate();
  void SyncAll();
  void SyncBounds();
  void SyncText();
  void SyncFont();
  void SyncColor();
  void SyncTabOrder();
  void SyncFormStyle();
  void SyncLines();
  void AppendLine(int index);
  void SyncItemIndex();
  void SyncProgress();
  void SyncPicture();
  void SyncGrid(int column);
  void SyncHint(bool show);
  void SyncAutoSize();
  // The top-level window's tooltip control, made on first use.
  HWND Tooltip();
  void StyleOf(DWORD& style, DWORD& exStyle, const char*& className) const;

  TControl& FControl;
  HWND FHwnd = nullptr;
  HFONT FFont = nullptr;
  HBRUSH FBrush = nullptr;
  HBITMAP FBitmap = nullptr;
  HWND FTooltip = nullptr;  // a form's, for the hints of its controls
  // Set while this widget changes its own window, so the notifications that the change causes
  // are not taken for the user's doing.
  int FPushing = 0;
};

}  // namespace qvx
