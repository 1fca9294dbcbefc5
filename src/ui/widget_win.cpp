// The Win32 back end's window: each control is a native window, made with the class and styles
// its properties ask for and kept in step with them.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "ui/data_grid.h"
#include "ui/form.h"
#include "ui/gauge.h"
#include "ui/gauge_window_win.h"
#include "ui/list_controls.h"
#include "ui/picture.h"
#include "ui/std_controls.h"
#include "ui/widget_win.h"

namespace qvx {

namespace {

// Bit masks of the window-style flags a memo's or label's alignment maps to.
DWORD EditAlignment(TAlignment a) {
  switch (a) {
    case TAlignment::taRightJustify: return ES_RIGHT;
    case TAlignment::taCenter: return ES_CENTER;
    default: return ES_LEFT;
  }
}

DWORD StaticAlignment(TAlignment a, bool wordWrap) {
  switch (a) {
    case TAlignment::taRightJustify: return SS_RIGHT;
    case TAlignment::taCenter: return SS_CENTER;
    default: return wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
  }
}

}  // namespace

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

std::unique_ptr<TWidget> CreateWidget(TControl& control) {
  if (!dynamic_cast<TForm*>(&control) && (!control.Parent() || !control.Parent()->Handle()))
    return nullptr;
  RegisterWidgetClasses();
  return std::make_unique<TWinWidget>(control);
}

TWinWidget::TWinWidget(TControl& control) : FControl(control), FContent(control) { Create(); }

TWinWidget::~TWinWidget() { Destroy(); }

void TWinWidget::StyleOf(DWORD& style, DWORD& exStyle, const char*& className) const {
  exStyle = 0;
  style = (FControl.Visible() ? WS_VISIBLE : 0) | (FControl.Enabled() ? 0 : WS_DISABLED);
  if (auto* form = dynamic_cast<const TForm*>(&FControl)) {
    className = kFormClassName;
    style |= WS_CLIPCHILDREN;
    const uint8_t icons = form->BorderIcons();
    switch (form->BorderStyle()) {
      case TFormBorderStyle::bsNone: style |= WS_POPUP; break;
      case TFormBorderStyle::bsSingle: style |= WS_CAPTION | WS_BORDER; break;
      case TFormBorderStyle::bsDialog:
        style |= WS_CAPTION | DS_MODALFRAME;
        exStyle |= WS_EX_DLGMODALFRAME;
        break;
      case TFormBorderStyle::bsToolWindow:
        style |= WS_CAPTION;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
      default: style |= WS_CAPTION | WS_THICKFRAME; break;
    }
    if (form->BorderStyle() != TFormBorderStyle::bsNone && (icons & biSystemMenu)) {
      style |= WS_SYSMENU;
      // A dialog frame has no minimise or maximise box, whatever the icons say.
      if (form->BorderStyle() != TFormBorderStyle::bsDialog) {
        if (icons & biMinimize) style |= WS_MINIMIZEBOX;
        if (icons & biMaximize) style |= WS_MAXIMIZEBOX;
      }
    }
    if (form->AlphaBlend()) exStyle |= WS_EX_LAYERED;
    return;
  }
  style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (auto* win = dynamic_cast<const TWinControl*>(&FControl))
    if (win->TabStop()) style |= WS_TABSTOP;
  if (auto* memo = dynamic_cast<const TMemo*>(&FControl)) {
    className = "EDIT";
    style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL |
             EditAlignment(memo->Alignment());
    if (!memo->WordWrap()) style |= ES_AUTOHSCROLL;
    if (memo->ReadOnly()) style |= ES_READONLY;
    TScrollStyle sb = memo->ScrollBars();
    if (sb == TScrollStyle::ssVertical || sb == TScrollStyle::ssBoth) style |= WS_VSCROLL;
    if (sb == TScrollStyle::ssHorizontal || sb == TScrollStyle::ssBoth) style |= WS_HSCROLL;
    if (memo->BorderStyle() == TBorderStyle::bsSingle) {
      if (memo->Ctl3D())
        exStyle |= WS_EX_CLIENTEDGE;
      else
        style |= WS_BORDER;
    }
  } else if (auto* button = dynamic_cast<const TButton*>(&FControl)) {
    className = "BUTTON";
    style |= button->Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  } else if (auto* combo = dynamic_cast<const TComboBox*>(&FControl)) {
    className = "COMBOBOX";
    style |= WS_VSCROLL | CBS_AUTOHSCROLL |
             (combo->Style() == TComboBoxStyle::csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
  } else if (dynamic_cast<const TListBox*>(&FControl)) {
    className = "LISTBOX";
    style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    exStyle |= WS_EX_CLIENTEDGE;
  } else if (auto* grid = dynamic_cast<const TDataGrid*>(&FControl)) {
    className = WC_LISTVIEWA;
    style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
    if (grid->FixedRows() == 0) style |= LVS_NOCOLUMNHEADER;
    exStyle |= WS_EX_CLIENTEDGE;
  } else if (dynamic_cast<const TGauge*>(&FControl)) {
    className = kGaugeClassName;
  } else if (auto* image = dynamic_cast<const TImage*>(&FControl)) {
    className = "STATIC";
    style |= SS_BITMAP | SS_NOTIFY;
    if (image->Stretch()) style |= SS_REALSIZECONTROL;
    if (image->Center()) style |= SS_CENTERIMAGE;
  } else if (auto* label = dynamic_cast<const TLabel*>(&FControl)) {
    className = "STATIC";
    style |= SS_NOTIFY | SS_NOPREFIX | StaticAlignment(label->Alignment(), label->WordWrap());
  } else {
    // A control class this back end does not know shows its text.
    className = "STATIC";
    style |= SS_NOTIFY | SS_LEFT;
  }
}

void TWinWidget::Create() {
  DWORD style, exStyle;
  const char* className = "STATIC";
  StyleOf(style, exStyle, className);
  HWND parent = FControl.Parent() ? static_cast<HWND>(FControl.Parent()->Handle()) : nullptr;
  ++FPushing;
  FHwnd = CreateWindowExA(exStyle, className, "", style & ~WS_VISIBLE, FControl.Left(),
                          FControl.Top(), FControl.Width(), FControl.Height(), parent, nullptr,
                          GetModuleHandleA(nullptr), nullptr);
  --FPushing;
  if (!FHwnd) throw Exception("Error creating window: " + std::to_string(GetLastError()));
  SetWindowLongPtrA(FHwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  FContent.Attach(FHwnd);
  SyncAll();
  if (style & WS_VISIBLE) ShowWindow(FHwnd, SW_SHOWNA);
}

void TWinWidget::Destroy() {
  SyncHint(false);
  if (FTooltip) DestroyWindow(FTooltip);
  FTooltip = nullptr;
  if (FHwnd) {
    // From here on the window's messages find no widget.
    SetWindowLongPtrA(FHwnd, GWLP_USERDATA, 0);
    DestroyWindow(FHwnd);
    FHwnd = nullptr;
  }
  FContent.Detach();
  if (FFont) DeleteObject(FFont);
  if (FBrush) DeleteObject(FBrush);
  FFont = nullptr;
  FBrush = nullptr;
}

void TWinWidget::Recreate() {
  Destroy();
  Create();
  if (FControl.Parent())
    if (auto* parent = dynamic_cast<TWinWidget*>(FControl.Parent()->Widget()))
      parent->SyncTabOrder();
}

void TWinWidget::SyncAll() {
  SyncFont();
  SyncColor();
  SyncBounds();
  SyncText();
  if (dynamic_cast<TForm*>(&FControl)) SyncFormStyle();
  if (dynamic_cast<TMemo*>(&FControl) || dynamic_cast<TCustomListControl*>(&FControl)) SyncLines();
  if (dynamic_cast<TGauge*>(&FControl)) FContent.SyncProgress();
  if (dynamic_cast<TImage*>(&FControl)) SyncPicture();
  if (dynamic_cast<TDataGrid*>(&FControl)) SyncGrid(-1);
  SyncHint(true);
  if (auto* memo = dynamic_cast<TMemo*>(&FControl))
    SendMessageA(FHwnd, EM_SETLIMITTEXT, static_cast<WPARAM>(memo->MaxLength()), 0);
}

void TWinWidget::Changed(TChange what, int index) {
  if (!FHwnd) return;
  switch (what) {
    case TChange::Parent: Recreate(); break;
    case TChange::Bounds: SyncBounds(); break;
    case TChange::Text: SyncText(); break;
    case TChange::Font: SyncFont(); break;
    case TChange::Color: SyncColor(); break;
    case TChange::Visible:
      ShowWindow(FHwnd, FControl.Visible() ? (FControl.Parent() ? SW_SHOWNA : SW_SHOW) : SW_HIDE);
      break;
    case TChange::Enabled: EnableWindow(FHwnd, FControl.Enabled()); break;
    case TChange::TabOrder: SyncTabOrder(); break;
    case TChange::Style:
      if (dynamic_cast<TForm*>(&FControl))
        SyncFormStyle();
      else
        Recreate();
      break;
    case TChange::Lines: SyncLines(); break;
    case TChange::LineAdded: AppendLine(index); break;
    case TChange::ItemIndex: SyncItemIndex(); break;
    case TChange::Progress: FContent.SyncProgress(); break;
    case TChange::Picture: SyncPicture(); break;
    case TChange::Grid: SyncGrid(index); break;
    case TChange::Hint: SyncHint(true); break;
  }
}

void TWinWidget::NonClientSize(int32_t& dx, int32_t& dy) const {
  RECT r{0, 0, 0, 0};
  if (FHwnd && dynamic_cast<const TForm*>(&FControl)) {
    // From the styles, so a hidden or not yet sized window answers as it will look.
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(FHwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(FHwnd, GWL_EXSTYLE)));
  } else if (FHwnd) {
    RECT w, c;
    GetWindowRect(FHwnd, &w);
    GetClientRect(FHwnd, &c);
    r.right = (w.right - w.left) - c.right;
    r.bottom = (w.bottom - w.top) - c.bottom;
  }
  dx = r.right - r.left;
  dy = r.bottom - r.top;
}

void TWinWidget::SyncBounds() {
  int32_t height = FControl.Height();
  if (auto* combo = dynamic_cast<TComboBox*>(&FControl)) {
    // A combo box's window includes its list when open; the control's height is the closed box.
    int item = static_cast<int>(SendMessageA(FHwnd, CB_GETITEMHEIGHT, 0, 0));
    height += std::max(item, 1) * combo->DropDownCount() + 2;
  }
  ++FPushing;
  SetWindowPos(FHwnd, nullptr, FControl.Left(), FControl.Top(), FControl.Width(), height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  --FPushing;
}

void TWinWidget::SyncText() {
  if (dynamic_cast<TGauge*>(&FControl) || dynamic_cast<TImage*>(&FControl) ||
      dynamic_cast<TDataGrid*>(&FControl) || dynamic_cast<TListBox*>(&FControl))
    return;
  if (auto* combo = dynamic_cast<TComboBox*>(&FControl)) {
    if (combo->Style() == TComboBoxStyle::csDropDownList) return;  // the selection shows it
  }
  ++FPushing;
  SetWindowTextA(FHwnd, FControl.Text().c_str());
  --FPushing;
  SyncAutoSize();
}

void TWinWidget::SyncAutoSize() {
  auto* label = dynamic_cast<TLabel*>(&FControl);
  if (!label || !label->AutoSize() || !FFont) return;
  HDC dc = GetDC(FHwnd);
  HGDIOBJ old = SelectObject(dc, FFont);
  RECT r{0, 0, label->WordWrap() ? label->Width() : 0, 0};
  const std::string text = label->Text();
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (label->WordWrap() ? DT_WORDBREAK : 0));
  SelectObject(dc, old);
  ReleaseDC(FHwnd, dc);
  label->SetBounds(label->Left(), label->Top(), label->WordWrap() ? label->Width() : r.right,
                   r.bottom);
}

void TWinWidget::SyncFont() {
  const TFont& f = *FControl.Font();
  const uint8_t style = f.Style();
  DWORD pitch = f.Pitch() == TFontPitch::fpFixed      ? FIXED_PITCH
                : f.Pitch() == TFontPitch::fpVariable ? VARIABLE_PITCH
                                                      : DEFAULT_PITCH;
  HFONT font = CreateFontA(f.Height(), 0, 0, 0, (style & fsBold) ? FW_BOLD : FW_NORMAL,
                           (style & fsItalic) != 0, (style & fsUnderline) != 0,
                           (style & fsStrikeOut) != 0, f.Charset(), OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch, f.Name().c_str());
  if (!font) return;
  SendMessageA(FHwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  // The window no longer uses the old font once it has the new one.
  if (FFont) DeleteObject(FFont);
  FFont = font;
  if (dynamic_cast<TComboBox*>(&FControl)) SyncBounds();  // the item height follows the font
  SyncAutoSize();
}

void TWinWidget::SyncColor() {
  if (FBrush) DeleteObject(FBrush);
  FBrush = FControl.Color() == clNone ? nullptr : CreateSolidBrush(ColorToRGB(FControl.Color()));
  InvalidateRect(FHwnd, nullptr, TRUE);
}

void TWinWidget::SyncTabOrder() {
  auto* container = dynamic_cast<TWinControl*>(&FControl);
  if (!container) return;
  HWND after = HWND_TOP;
  for (TWinControl* child : container->TabList()) {
    HWND h = static_cast<HWND>(child->Handle());
    if (!h) continue;
    SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = h;
  }
}

HWND TWinWidget::Tooltip() {
  if (!FTooltip && FHwnd) {
    FTooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FHwnd, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (FTooltip) SendMessageA(FTooltip, TTM_SETMAXTIPWIDTH, 0, 400);
  }
  return FTooltip;
}

void TWinWidget::SyncHint(bool show) {
  TControl* root = &FControl;
  while (root->Parent()) root = root->Parent();
  auto* rootWidget = dynamic_cast<TWinWidget*>(root->Widget());
  // A form's own hint is not shown; its controls' hints are tools of its tooltip.
  if (!rootWidget || rootWidget == this || !FHwnd) return;
  HWND tip = show ? rootWidget->Tooltip() : rootWidget->FTooltip;
  if (!tip) return;
  TOOLINFOA ti{};
  // The size that every version of the common controls accepts.
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = rootWidget->FHwnd;
  ti.uId = reinterpret_cast<UINT_PTR>(FHwnd);
  SendMessageA(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  if (!show || !FControl.ShowHint() || FControl.Hint().empty()) return;
  std::string text = FControl.Hint();
  ti.lpszText = &text[0];
  SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void TWinWidget::SyncFormStyle() {
  auto& form = static_cast<TForm&>(FControl);
  DWORD style, exStyle;
  const char* className = nullptr;
  StyleOf(style, exStyle, className);
  const DWORD keep = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE;
  DWORD current = static_cast<DWORD>(GetWindowLongPtrA(FHwnd, GWL_STYLE));
  SetWindowLongPtrA(FHwnd, GWL_STYLE, static_cast<LONG_PTR>((style & ~keep) | (current & keep)));
  SetWindowLongPtrA(FHwnd, GWL_EXSTYLE, static_cast<LONG_PTR>(exStyle));
  if (form.AlphaBlend()) SetLayeredWindowAttributes(FHwnd, 0, form.AlphaBlendValue(), LWA_ALPHA);
  ++FPushing;
  SetWindowPos(FHwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  --FPushing;
}

// The content's changes go through here, so the notifications they cause are not taken for the
// user's doing.
void TWinWidget::SyncLines() {
  ++FPushing;
  FContent.SyncLines();
  --FPushing;
}

void TWinWidget::AppendLine(int index) {
  ++FPushing;
  FContent.AppendLine(index);
  --FPushing;
}

void TWinWidget::SyncItemIndex() {
  ++FPushing;
  FContent.SyncItemIndex();
  --FPushing;
}

void TWinWidget::SyncPicture() {
  FContent.SyncPicture();
  // A static control sizes itself to a new picture; the control's bounds hold.
  SyncBounds();
}

void TWinWidget::SyncGrid(int column) {
  if (!FContent.SyncGrid(column)) Recreate();
}

}  // namespace qvx
