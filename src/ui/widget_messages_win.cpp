// The Win32 back end's messages: the window procedure of forms, and what the platform tells a
// form about its controls (commands, colours) turned into the controls' events.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "ui/form.h"
#include "ui/gauge_window_win.h"
#include "ui/list_controls.h"
#include "ui/std_controls.h"
#include "ui/widget_win.h"

namespace qvx {

const char kFormClassName[] = "TQvxForm";

namespace {

// The widget pointer of each of our windows lives in its user data.
LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (TWinWidget* widget = TWinWidget::FromHwnd(hwnd)) {
    LRESULT result = 0;
    if (widget->FormMessage(message, wparam, lparam, result)) return result;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

std::string WindowText(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(hwnd, &text[0], n + 1);
  text.resize(static_cast<size_t>(std::max(n, 0)));
  return text;
}

}  // namespace

void RegisterWidgetClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = FormWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.lpszClassName = kFormClassName;
  RegisterClassExA(&wc);
  RegisterGaugeClass();
}

TWinWidget* TWinWidget::FromHwnd(HWND hwnd) {
  if (!hwnd) return nullptr;
  // Only windows of this process carry our pointer; another process's user data means nothing.
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId()) return nullptr;
  auto* w = reinterpret_cast<TWinWidget*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return (w && w->FHwnd == hwnd) ? w : nullptr;
}

HBRUSH TWinWidget::ControlColor(HDC dc) {
  SetTextColor(dc, ColorToRGB(FControl.Font()->Color()));
  if (!FBrush) {
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
  }
  SetBkColor(dc, ColorToRGB(FControl.Color()));
  return FBrush;
}

void TWinWidget::Command(WORD code) {
  if (FPushing) return;
  if (auto* list = dynamic_cast<TCustomListControl*>(&FControl)) {
    // LBN_SELCHANGE and CBN_SELCHANGE are both 1.
    if (code == LBN_SELCHANGE)
      list->ItemIndexChangedByUser(FContent.ItemIndexShown());
    else if (code == CBN_EDITCHANGE && dynamic_cast<TComboBox*>(list))
      list->TextEditedByUser(WindowText(FHwnd));
    return;
  }
  if (dynamic_cast<TMemo*>(&FControl)) {
    if (code == EN_CHANGE) FControl.TextEditedByUser(WindowText(FHwnd));
    return;
  }
  // BN_CLICKED and STN_CLICKED are both 0.
  if (code == BN_CLICKED) FControl.Click();
}

bool TWinWidget::FormMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  auto* form = dynamic_cast<TForm*>(&FControl);
  if (!form) return false;
  switch (message) {
    case WM_COMMAND:
      if (TWinWidget* child = FromHwnd(reinterpret_cast<HWND>(lparam))) {
        child->Command(HIWORD(wparam));
        result = 0;
        return true;
      }
      return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      if (TWinWidget* child = FromHwnd(reinterpret_cast<HWND>(lparam))) {
        result = reinterpret_cast<LRESULT>(child->ControlColor(reinterpret_cast<HDC>(wparam)));
        return true;
      }
      return false;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(FHwnd, &r);
      if (FBrush) FillRect(reinterpret_cast<HDC>(wparam), &r, FBrush);
      result = 1;
      return true;
    }
    case WM_CLOSE:
      form->Close();
      result = 0;
      return true;
    case WM_WINDOWPOSCHANGED: {
      if (FPushing || IsIconic(FHwnd)) return false;
      RECT r;
      GetWindowRect(FHwnd, &r);
      form->BoundsChangedByUser(r.left, r.top, r.right - r.left, r.bottom - r.top);
      return false;
    }
    default:
      return false;
  }
}

}  // namespace qvx
