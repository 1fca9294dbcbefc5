// A translation reaches the real controls: read back from the native windows after the
// translator has set the components' properties by name.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "lang/form_language.h"
#include "startup/globals.h"
#include "support/temp_folder.h"
#include "ui/data_grid.h"
#include "ui/form.h"
#include "ui/gauge.h"
#include "ui/list_controls.h"
#include "ui/std_controls.h"

namespace qvx {
namespace {

HWND H(const TControl* c) { return static_cast<HWND>(c->Handle()); }

std::string TextOf(HWND h) {
  char buf[1024] = {};
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

std::string FaceOf(HWND h) {
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf.lfFaceName;
}

TEST(FormTranslatorWin32, TranslatedPropertiesShowOnTheControls) {
  test::TTempFolder dir;
  dir.Write("data/Language.sil",
            "[Language names]\r\nLanguage_1=English\r\nLanguage_2=Second\r\n"
            "[1_frmUpdate]\r\n"
            "Caption=Aktualisierung\r\n"
            "Label3.Caption=Zeile eins#$D#$AZeile zwei\r\n"
            "Label3.Left=140\r\n"
            "BitBtn1.Width=$50\r\n"
            "BitBtn1.Caption=Schlie\xdf" "en\r\n"
            "FONT.NAME=Courier New\r\n"
            "Memo1.Lines=a,b\r\n"
            "ListBox1.Items=x,y,z\r\n"
            "Gauge_process.MaxValue=250\r\n"
            "Grid1.ColWidths[1]=99\r\n");
  const std::string savedPath = AppPath;
  const uint8_t savedLang = LangIndex;
  AppPath = dir.Path();
  LangIndex = 2;

  TForm form(nullptr);
  form.SetName("frmUpdate");
  auto add = [&](TControl* c, const char* name) {
    c->SetName(name);
    c->SetParent(&form);
    return c;
  };
  auto* label = static_cast<TLabel*>(add(new TLabel(&form), "Label3"));
  auto* button = static_cast<TButton*>(add(new TButton(&form), "BitBtn1"));
  auto* memo = static_cast<TMemo*>(add(new TMemo(&form), "Memo1"));
  auto* box = static_cast<TListBox*>(add(new TListBox(&form), "ListBox1"));
  auto* gauge = static_cast<TGauge*>(add(new TGauge(&form), "Gauge_process"));
  auto* grid = static_cast<TDataGrid*>(add(new TDataGrid(&form), "Grid1"));
  button->Font()->SetName("Arial");
  box->Items()->SetText("1\r\n2\r\n3\r\n4\r\n");
  box->SetItemIndex(2);

  EXPECT_EQ(GetLanguageCount(), 2);
  ApplyFormLanguage(form);

  EXPECT_EQ(TextOf(H(&form)), "Aktualisierung");
  EXPECT_EQ(TextOf(H(label)), "Zeile eins\r\nZeile zwei\r\n");
  RECT r;
  GetWindowRect(H(label), &r);
  MapWindowPoints(HWND_DESKTOP, H(&form), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 140);
  GetWindowRect(H(button), &r);
  EXPECT_EQ(r.right - r.left, 80);
  EXPECT_EQ(TextOf(H(button)), "Schlie\xdf" "en");
  EXPECT_EQ(FaceOf(H(label)), "Courier New");
  EXPECT_EQ(FaceOf(H(button)), "Courier New");
  EXPECT_EQ(FaceOf(H(memo)), "Courier New");
  EXPECT_EQ(TextOf(H(memo)), "a\r\nb");
  EXPECT_EQ(SendMessageA(H(box), LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(H(box), LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(SendMessageA(H(gauge), PBM_GETRANGE, FALSE, 0), 250);
  EXPECT_EQ(SendMessageA(H(grid), LVM_GETCOLUMNWIDTH, 1, 0), 99);

  AppPath = savedPath;
  LangIndex = savedLang;
}

}  // namespace
}  // namespace qvx
