// The Win32 back end: each property change must reach the real control. Every check reads the
// native window back (its text, position, font, state), never the component's own value.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "ui/data_grid.h"
#include "ui/form.h"
#include "ui/gauge.h"
#include "ui/list_controls.h"
#include "ui/picture.h"
#include "ui/std_controls.h"

namespace qvx {
namespace {

HWND H(const TControl* c) { return static_cast<HWND>(c->Handle()); }

std::string TextOf(HWND h) {
  char buf[4096] = {};
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

RECT RectInParent(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

LOGFONTA FontOf(HWND h) {
  LOGFONTA lf{};
  auto font = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
  if (font) GetObjectA(font, sizeof lf, &lf);
  return lf;
}

std::string ListText(HWND h, int i, bool combo) {
  char buf[256] = {};
  SendMessageA(h, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i),
               reinterpret_cast<LPARAM>(buf));
  return buf;
}

TEST(Win32Widgets, FormAndChildrenAreRealWindows) {
  TForm form(nullptr);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  ASSERT_NE(H(&form), nullptr);
  ASSERT_NE(H(label), nullptr);
  EXPECT_EQ(GetParent(H(label)), H(&form));
  char cls[64];
  GetClassNameA(H(label), cls, sizeof cls);
  EXPECT_STREQ(cls, "Static");
  EXPECT_FALSE(IsWindowVisible(H(&form)));

  bool shown = false;
  form.OnShow = [&](TObject*) { shown = true; };
  form.Show();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(IsWindowVisible(H(&form)));
  EXPECT_TRUE(IsWindowVisible(H(label)));

  HWND formHwnd = H(&form);
  delete label;  // its window goes with it
  EXPECT_EQ(form.ControlCount(), 0);
  EXPECT_TRUE(IsWindow(formHwnd));
}

TEST(Win32Widgets, TextBoundsFontVisibilityAndEnabledReachTheControl) {
  TForm form(nullptr);
  auto* label = new TLabel(&form);
  auto* button = new TButton(&form);
  label->SetParent(&form);
  button->SetParent(&form);

  form.SetCaption("Updater");
  label->SetCaption("Infomaion");
  label->SetBounds(133, 4, 46, 13);
  button->SetCaption("Close");
  button->SetBounds(134, 220, 87, 23);
  EXPECT_EQ(TextOf(H(&form)), "Updater");
  EXPECT_EQ(TextOf(H(label)), "Infomaion");
  EXPECT_EQ(TextOf(H(button)), "Close");
  RECT r = RectInParent(H(button));
  EXPECT_EQ(r.left, 134);
  EXPECT_EQ(r.top, 220);
  EXPECT_EQ(r.right - r.left, 87);
  EXPECT_EQ(r.bottom - r.top, 23);

  form.Font()->SetName("Courier New");
  form.Font()->SetHeight(-11);
  LOGFONTA lf = FontOf(H(label));  // follows the form's font
  EXPECT_STREQ(lf.lfFaceName, "Courier New");
  EXPECT_EQ(lf.lfHeight, -11);
  button->Font()->SetName("Arial");
  button->Font()->SetSize(9);
  lf = FontOf(H(button));
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  EXPECT_EQ(lf.lfHeight, -12);

  button->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(H(button)));
  form.Show();
  button->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(H(button)));
  button->SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(H(button)));

  form.SetBorderStyle(TFormBorderStyle::bsDialog);
  form.SetClientWidth(518);
  form.SetClientHeight(256);
  GetClientRect(H(&form), &r);
  EXPECT_EQ(r.right, 518);
  EXPECT_EQ(r.bottom, 256);
}

TEST(Win32Widgets, MemoShowsItsLinesAndTakesTheUsersEdits) {
  TForm form(nullptr);
  auto* memo = new TMemo(&form);
  memo->SetParent(&form);
  memo->AppendLine("first");
  memo->AppendLine("second");
  EXPECT_EQ(TextOf(H(memo)), "first\r\nsecond");
  memo->SetText("a\r\nb\r\n");
  EXPECT_EQ(TextOf(H(memo)), "a\r\nb");
  memo->Clear();
  EXPECT_EQ(TextOf(H(memo)), "");

  // As the user's typing does; setting the window text sends a multi-line edit no notification.
  SendMessageA(H(memo), EM_SETSEL, 0, -1);
  SendMessageA(H(memo), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed\r\nby hand"));
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "by hand");

  auto frame = [&] {
    RECT w, c;
    GetWindowRect(H(memo), &w);
    GetClientRect(H(memo), &c);
    return (w.right - w.left) - c.right;
  };
  auto textInset = [&] {
    RECT r;
    SendMessageA(H(memo), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r.left;
  };
  EXPECT_EQ(frame(), 4);  // sunken: two pixels a side
  memo->SetCtl3D(false);  // a style change makes a new window with the same content
  EXPECT_EQ(TextOf(H(memo)), "typed\r\nby hand");
  EXPECT_EQ(frame(), 0);  // flat: the edit draws its line inside, around the text
  const int flatInset = textInset();
  memo->SetBorderStyle(TBorderStyle::bsNone);
  EXPECT_LT(textInset(), flatInset);
}

TEST(Win32Widgets, ListControlsShowItemsAndSelection) {
  TForm form(nullptr);
  auto* box = new TListBox(&form);
  auto* combo = new TComboBox(&form);
  box->SetParent(&form);
  combo->SetParent(&form);
  for (TCustomListControl* list : {static_cast<TCustomListControl*>(box),
                                   static_cast<TCustomListControl*>(combo)}) {
    const bool isCombo = list == combo;
    list->Items()->SetText("red\r\ngreen\r\nblue\r\n");
    list->SetItemIndex(1);
    HWND h = H(list);
    EXPECT_EQ(SendMessageA(h, isCombo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(ListText(h, 2, isCombo), "blue");
    EXPECT_EQ(SendMessageA(h, isCombo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0), 1);
    list->Items()->Add("cyan");
    EXPECT_EQ(ListText(h, 3, isCombo), "cyan");
    // The user picks another item.
    SendMessageA(h, isCombo ? CB_SETCURSEL : LB_SETCURSEL, 3, 0);
    SendMessageA(GetParent(h), WM_COMMAND, MAKEWPARAM(0, isCombo ? CBN_SELCHANGE : LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(h));
    EXPECT_EQ(list->ItemIndex(), 3);
  }
}

TEST(Win32Widgets, GaugeKeepsRangeAndPositionAndPaintsTheBar) {
  TForm form(nullptr);
  auto* gauge = new TGauge(&form);
  gauge->SetParent(&form);
  gauge->SetBounds(0, 0, 200, 17);
  gauge->SetForeColor(clBlue);
  gauge->SetBackColor(clCream);
  gauge->SetShowText(false);
  gauge->SetMaxValue(400);
  gauge->SetProgress(100);
  HWND h = H(gauge);
  PBRANGE range{};
  SendMessageA(h, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 400);
  EXPECT_EQ(SendMessageA(h, PBM_GETPOS, 0, 0), 100);

  // A quarter done: the bar's colour up to x = 50, the background after it.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 200, 17);
  SelectObject(dc, bmp);
  SendMessageA(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  EXPECT_EQ(GetPixel(dc, 10, 8), static_cast<COLORREF>(clBlue));
  EXPECT_EQ(GetPixel(dc, 49, 8), static_cast<COLORREF>(clBlue));
  EXPECT_EQ(GetPixel(dc, 51, 8), static_cast<COLORREF>(clCream));
  DeleteDC(dc);
  DeleteObject(bmp);
  ReleaseDC(nullptr, screen);
}

TEST(Win32Widgets, PictureAndGridColumnsReachTheirControls) {
  TForm form(nullptr);
  auto* image = new TImage(&form);
  auto* grid = new TDataGrid(&form);
  image->SetParent(&form);
  grid->SetParent(&form);
  image->SetStretch(true);
  image->SetBounds(5, 8, 115, 229);
  image->Picture()->SetPixels(3, 2, std::vector<uint32_t>(6, 0x00FF00));
  auto bitmap = reinterpret_cast<HBITMAP>(SendMessageA(H(image), STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 3);
  EXPECT_EQ(info.bmHeight, 2);
  RECT r = RectInParent(H(image));
  EXPECT_EQ(r.right - r.left, 115);  // stretched: the control keeps its size

  grid->SetColCount(4);
  grid->SetCells(1, 0, "Name");
  grid->SetColWidths(2, 123);
  HWND g = H(grid);
  EXPECT_EQ(SendMessageA(g, LVM_GETCOLUMNWIDTH, 2, 0), 123);
  EXPECT_EQ(SendMessageA(g, LVM_GETCOLUMNWIDTH, 3, 0), grid->DefaultColWidth());
  HWND header = reinterpret_cast<HWND>(SendMessageA(g, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 4);
}

TEST(Win32Widgets, ClicksAndTheCloseBoxReachTheEvents) {
  TForm form(nullptr);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  form.Show();
  int clicks = 0;
  button->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, button);
    ++clicks;
  };
  SendMessageA(H(button), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);

  int closes = 0;
  form.OnClose = [&](TObject*, TCloseAction& action) {
    if (++closes == 1) action = TCloseAction::caNone;  // the first request is refused
  };
  SendMessageA(H(&form), WM_CLOSE, 0, 0);
  EXPECT_TRUE(form.Visible());
  EXPECT_TRUE(IsWindow(H(&form)));
  SendMessageA(H(&form), WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 2);
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(IsWindowVisible(H(&form)));
}

TEST(Win32Widgets, TabOrderIsTheWindowOrder) {
  TForm form(nullptr);
  TButton* b[3];
  for (auto*& x : b) {
    x = new TButton(&form);
    x->SetParent(&form);
  }
  b[2]->SetTabOrder(0);
  HWND first = GetWindow(H(&form), GW_CHILD);
  EXPECT_EQ(first, H(b[2]));
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), H(b[0]));
  EXPECT_EQ(GetWindow(H(b[0]), GW_HWNDNEXT), H(b[1]));
}

}  // namespace
}  // namespace qvx

namespace qvx {
namespace {

TEST(Win32Widgets, ACentredFormShowsInTheMiddleOfTheWorkArea) {
  TForm form(nullptr);
  form.SetPosition(TPosition::poScreenCenter);
  form.SetBounds(0, 0, 300, 200);
  form.Show();
  RECT work, r;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(H(&form), &r);
  EXPECT_EQ(r.left, work.left + (work.right - work.left - 300) / 2);
  EXPECT_EQ(r.top, work.top + (work.bottom - work.top - 200) / 2);
  EXPECT_EQ(form.Left(), r.left);
}

}  // namespace
}  // namespace qvx

namespace qvx {
namespace {

std::string ToolText(HWND tip, HWND owner, HWND control) {
  char buf[256] = {};
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = buf;
  SendMessageA(tip, TTM_GETTEXTA, sizeof buf, reinterpret_cast<LPARAM>(&ti));
  return buf;
}

TEST(Win32Widgets, HintsAreToolsOfTheFormsTooltip) {
  TForm form(nullptr);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->SetHint("Closes the window");
  button->SetShowHint(true);
  HWND tip = nullptr;
  while ((tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)))
    if (GetWindow(tip, GW_OWNER) == H(&form)) break;
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  EXPECT_EQ(ToolText(tip, H(&form), H(button)), "Closes the window");
  button->SetHint("Ends the update");
  EXPECT_EQ(ToolText(tip, H(&form), H(button)), "Ends the update");
  button->SetShowHint(false);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
}

}  // namespace
}  // namespace qvx

namespace qvx {
namespace {

TEST(Win32Widgets, AnAutoSizedLabelTakesTheSizeOfItsText) {
  TForm form(nullptr);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetBounds(10, 10, 41, 13);
  label->SetCaption("Process:");
  const int32_t shortWidth = label->Width();
  label->SetCaption("A much longer translated caption");
  EXPECT_GT(label->Width(), shortWidth * 2);
  RECT r;
  GetWindowRect(H(label), &r);
  EXPECT_EQ(r.right - r.left, label->Width());
  const int32_t height = label->Height();
  label->Font()->SetHeight(-24);
  EXPECT_GT(label->Height(), height);

  label->SetAutoSize(false);
  label->SetCaption("x");
  EXPECT_GT(label->Width(), shortWidth * 2) << "a fixed label keeps its size";
}

}  // namespace
}  // namespace qvx
