#pragma once
// The Win32 realisation of a control: one native window per control. TWinWidget makes the window,
// keeps its look in step with the control and answers its messages; TWinContent fills it with
// what the control holds. Only *_win.cpp files include this header.
#include <windows.h>

#include <string>

#include "ui/graphics.h"
#include "ui/widget.h"

namespace qvx {

// The window class of forms.
extern const char kFormClassName[];
// Registers the window classes of forms and gauges and readies the common controls; once.
void RegisterWidgetClasses();

COLORREF ColorToRGB(TColor color);

// What a control shows inside its window: a memo's lines, a list's items and selection, a
// gauge's progress, a picture, a grid's columns and cells. It neither makes nor sizes the window.
class TWinContent {
 public:
  explicit TWinContent(TControl& control) : FControl(control) {}
  ~TWinContent() { Detach(); }
  TWinContent(const TWinContent&) = delete;
  TWinContent& operator=(const TWinContent&) = delete;

  // The window to fill (a new one after the widget made its window again).
  void Attach(HWND hwnd) { FHwnd = hwnd; }
  // After the window is destroyed: frees what it showed.
  void Detach();

  void SyncLines();
  void AppendLine(int index);
  void SyncItemIndex();
  // The item that the user selected in the window, for a list or combo box.
  int32_t ItemIndexShown() const;
  void SyncProgress();
  void SyncPicture();
  // One column's width when column is one, else everything. False when the heading row came
  // or went: that takes a window of another style.
  bool SyncGrid(int column);

 private:
  TControl& FControl;
  HWND FHwnd = nullptr;
  HBITMAP FBitmap = nullptr;
};

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
  void SyncPicture();
  void SyncGrid(int column);
  void SyncHint(bool show);
  void SyncAutoSize();
  // The top-level window's tooltip control, made on first use.
  HWND Tooltip();
  void StyleOf(DWORD& style, DWORD& exStyle, const char*& className) const;

  TControl& FControl;
  TWinContent FContent;
  HWND FHwnd = nullptr;
  HFONT FFont = nullptr;
  HBRUSH FBrush = nullptr;
  HWND FTooltip = nullptr;  // a form's, for the hints of its controls
  // Set while this widget changes its own window, so the notifications that the change causes
  // are not taken for the user's doing.
  int FPushing = 0;
};

}  // namespace qvx
