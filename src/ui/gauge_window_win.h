#pragma once
// The gauge's window class (gauge_window_win.cpp). Only *_win.cpp files include this header.
#include <windows.h>

namespace qvx {

extern const char kGaugeClassName[];
void RegisterGaugeClass();

// Messages of the gauge window beside the progress bar's own (PBM_SETRANGE32, PBM_GETRANGE,
// PBM_SETPOS, PBM_GETPOS, PBM_SETBARCOLOR, PBM_SETBKCOLOR), which it answers the same way.
constexpr UINT QGM_SETTEXTSHOWN = WM_USER + 100;  // wParam: show "%d%%"
constexpr UINT QGM_GETTEXTSHOWN = WM_USER + 101;
constexpr UINT QGM_SETVERTICAL = WM_USER + 102;   // wParam: fill from the bottom
constexpr UINT QGM_SETTEXTCOLOR = WM_USER + 103;  // lParam: COLORREF

}  // namespace qvx
