// The gauge's window class: a bar that fills in proportion to its position, with the percentage
// done written in its middle. It keeps its own state and answers the progress bar's messages,
// so what it shows can be read back from the window itself.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>

#include "ui/gauge_window_win.h"

namespace qvx {

const char kGaugeClassName[] = "TQvxGauge";

namespace {

struct TGaugeState {
  int32_t Min = 0, Max = 100, Pos = 0;
  COLORREF Bar = RGB(0, 0, 0), Back = RGB(255, 255, 255), Text = RGB(0, 0, 0);
  bool ShowText = true, Vertical = false;
  HFONT Font = nullptr;
};

TGaugeState* StateOf(HWND hwnd) {
  return reinterpret_cast<TGaugeState*>(GetWindowLongPtrA(hwnd, 0));
}

int32_t Percent(const TGaugeState& s) {
  int64_t range = static_cast<int64_t>(s.Max) - s.Min;
  if (range <= 0) return 0;
  return static_cast<int32_t>((static_cast<int64_t>(s.Pos) - s.Min) * 100 / range);
}

void Paint(HWND hwnd, const TGaugeState& s, HDC target) {
  RECT r;
  GetClientRect(hwnd, &r);
  const int w = r.right, h = r.bottom;
  if (w <= 0 || h <= 0) return;
  // Drawn off screen first, so a fast-moving gauge does not flicker.
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bmp = CreateCompatibleBitmap(target, w, h);
  HGDIOBJ oldBmp = SelectObject(dc, bmp);

  HBRUSH back = CreateSolidBrush(s.Back);
  FillRect(dc, &r, back);
  DeleteObject(back);
  int64_t range = static_cast<int64_t>(s.Max) - s.Min;
  if (range > 0) {
    int64_t done = static_cast<int64_t>(s.Pos) - s.Min;
    RECT fill = r;
    if (s.Vertical)
      fill.top = h - static_cast<int>(done * h / range);
    else
      fill.right = static_cast<int>(done * w / range);
    HBRUSH bar = CreateSolidBrush(s.Bar);
    FillRect(dc, &fill, bar);
    DeleteObject(bar);
  }
  if (s.ShowText) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", Percent(s));
    HGDIOBJ oldFont = s.Font ? SelectObject(dc, s.Font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, s.Text);
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (oldFont) SelectObject(dc, oldFont);
  }
  BitBlt(target, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldBmp);
  DeleteObject(bmp);
  DeleteDC(dc);
}

LRESULT CALLBACK GaugeWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  TGaugeState* s = StateOf(hwnd);
  auto changed = [&](LRESULT result) {
    InvalidateRect(hwnd, nullptr, FALSE);
    return result;
  };
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new TGaugeState));
      break;
    case WM_NCDESTROY:
      delete s;
      SetWindowLongPtrA(hwnd, 0, 0);
      break;
    default:
      if (!s) break;
      switch (message) {
        case PBM_SETRANGE32:
          s->Min = static_cast<int32_t>(wparam);
          s->Max = static_cast<int32_t>(lparam);
          return changed(0);
        case PBM_GETRANGE: {
          if (lparam) {
            auto* range = reinterpret_cast<PBRANGE*>(lparam);
            range->iLow = s->Min;
            range->iHigh = s->Max;
          }
          return wparam ? s->Min : s->Max;
        }
        case PBM_SETPOS: {
          int32_t old = s->Pos;
          s->Pos = static_cast<int32_t>(wparam);
          return changed(old);
        }
        case PBM_GETPOS: return s->Pos;
        case PBM_SETBARCOLOR: {
          COLORREF old = s->Bar;
          s->Bar = static_cast<COLORREF>(lparam);
          return changed(static_cast<LRESULT>(old));
        }
        case PBM_SETBKCOLOR: {
          COLORREF old = s->Back;
          s->Back = static_cast<COLORREF>(lparam);
          return changed(static_cast<LRESULT>(old));
        }
        case QGM_SETTEXTSHOWN: s->ShowText = wparam != 0; return changed(0);
        case QGM_GETTEXTSHOWN: return s->ShowText;
        case QGM_SETVERTICAL: s->Vertical = wparam != 0; return changed(0);
        case QGM_SETTEXTCOLOR: s->Text = static_cast<COLORREF>(lparam); return changed(0);
        case WM_SETFONT:
          s->Font = reinterpret_cast<HFONT>(wparam);
          if (LOWORD(lparam)) InvalidateRect(hwnd, nullptr, FALSE);
          return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
          PAINTSTRUCT ps;
          HDC dc = BeginPaint(hwnd, &ps);
          Paint(hwnd, *s, dc);
          EndPaint(hwnd, &ps);
          return 0;
        }
        case WM_PRINTCLIENT:
          Paint(hwnd, *s, reinterpret_cast<HDC>(wparam));
          return 0;
      }
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

void RegisterGaugeClass() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = GaugeWindowProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kGaugeClassName;
  RegisterClassExA(&wc);
}

}  // namespace qvx
