// The form translator over a small window that holds a component of every kind, with
// translation files written by the tests. Runs headless natively and on real windows under Wine.
#include "lang/form_translator.h"

#include <gtest/gtest.h>

#include "lang/form_language.h"
#include "platform/code_page.h"
#include "startup/globals.h"
#include "support/temp_folder.h"
#include "support/ui_probe.h"
#include "ui/data_grid.h"
#include "ui/form.h"
#include "ui/gauge.h"
#include "ui/list_controls.h"
#include "ui/picture.h"
#include "ui/std_controls.h"
#include "ui/timer.h"

namespace qvx {
namespace {

// The update window's components, and the kinds it lacks.
struct TTestForm {
  TForm form{nullptr};
  TLabel* Label3 = Add<TLabel>("Label3");
  TMemo* Memo1 = Add<TMemo>("Memo1");
  TButton* BitBtn1 = Add<TButton>("BitBtn1");
  TGauge* Gauge_process = Add<TGauge>("Gauge_process");
  TImage* Image1 = Add<TImage>("Image1");
  TTimer* Timer1 = new TTimer(&form);
  TListBox* ListBox1 = Add<TListBox>("ListBox1");
  TComboBox* ComboBox1 = Add<TComboBox>("ComboBox1");
  TDataGrid* Grid1 = Add<TDataGrid>("Grid1");
  TProbe* Probe1 = Add<TProbe>("Probe1");

  TTestForm() {
    form.SetName("frmUpdate");
    form.SetCaption("Designed");
    Label3->SetCaption("Infomaion");
    BitBtn1->SetCaption("Close");
    Timer1->SetName("Timer1");
    Timer1->SetEnabled(false);
    BitBtn1->Font()->SetSize(9);  // a font of its own, as the update window's buttons have
  }
  template <class T>
  T* Add(const char* name) {
    auto* c = new T(&form);
    c->SetName(name);
    c->SetParent(&form);
    return c;
  }
};

// Any property's value as text, for tables of expectations.
std::string Prop(const TObject& o, const std::string& name) {
  const TPropInfo* p = GetPropInfo(o, name);
  if (!p) return "<none>";
  switch (p->Kind) {
    case TPropKind::ShortText:
    case TPropKind::Text: return GetStrProp(o, *p);
    case TPropKind::WideText: return WideToAnsi(GetWideStrProp(o, *p));
    case TPropKind::Float: return std::to_string(GetFloatProp(o, *p));
    case TPropKind::Object: return "<object>";
    default: return std::to_string(GetOrdProp(o, *p));
  }
}

std::string Lines(const TStrings& s) {
  std::string out;
  for (int i = 0; i < s.Count(); ++i) out += "[" + s.Strings(i) + "]";
  return out;
}

class FormTranslator : public ::testing::Test {
 protected:
  void SetUp() override {
    savedPath = AppPath;
    savedLang = LangIndex;
    AppPath = dir.Path();
  }
  void TearDown() override {
    AppPath = savedPath;
    LangIndex = savedLang;
  }
  // The installation's data folder is spelled "data"; the translator asks for "Data\...".
  void WriteFile(const std::string& text) { dir.Write("data/Language.sil", text); }
  // A translator of the test form at the test folder, as ApplyFormLanguage makes one.
  void Apply(int32_t index) {
    TssLang lang(&f.form);
    lang.FPath = dir.Path();
    lang.SetLanguageIndex(index);
  }
  void ApplyItem(const std::string& key, const std::string& value) {
    TssLang lang(&f.form);
    lang.ApplyItem(key, AnsiToWide(value));
  }

  test::TTempFolder dir;
  TTestForm f;
  std::string savedPath;
  uint8_t savedLang = 0;
};

TEST_F(FormTranslator, CountsLanguageNamesUpToTheFirstGap) {
  EXPECT_EQ(GetLanguageCount(), 0) << "no translation file";
  WriteFile(
      "[Language names]\r\nLanguage_1=English\r\nLanguage_2=Fran\xe7" "ais\r\n"
      "Language_4=Deutsch\r\n");
  EXPECT_EQ(GetLanguageCount(), 2);

  TssLang lang(nullptr);
  lang.FPath = dir.Path();
  lang.LoadLanguages();
  ASSERT_EQ(lang.FLanguages.Count(), 2);
  EXPECT_EQ(lang.FLanguages.LineAt(1), "Fran\xe7" "ais");  // back in the 8-bit code page

  TssLang elsewhere(nullptr);
  elsewhere.FPath = dir.At("missing") + "\\";
  elsewhere.FLanguages.Add("kept");
  elsewhere.LoadLanguages();
  EXPECT_EQ(elsewhere.FLanguages.Count(), 1) << "a missing file leaves the list as it was";
}

TEST_F(FormTranslator, FallsBackToTheFirstLanguageOnlyForAMissingOrEmptySection) {
  struct Case {
    const char* file;
    int32_t index;
    const char* caption;  // the window's caption afterwards
    const char* label;
  } cases[] = {
      {"[0_frmUpdate]\nCaption=Zero\nLabel3.Caption=L0\n", 2, "Zero", "L0"},
      {"[0_frmUpdate]\nCaption=Zero\n[2_frmUpdate]\n", 2, "Zero", "Infomaion"},
      {"[0_frmUpdate]\nCaption=Zero\n[1_frmUpdate]\nCaption=One\n", 1, "One", "Infomaion"},
      // A line with an empty value still makes the section used alone.
      {"[0_frmUpdate]\nLabel3.Caption=L0\n[2_frmUpdate]\nCaption=\n", 2, "Designed", "Infomaion"},
      {"[1_frmUpdate]\nCaption=One\n", 0, "Designed", "Infomaion"},
      {"[0_frmOther]\nCaption=Zero\n", 0, "Designed", "Infomaion"},
      {"", 3, "Designed", "Infomaion"},
  };
  for (const auto& c : cases) {
    TTestForm fresh;
    WriteFile(c.file);
    TssLang lang(&fresh.form);
    lang.FPath = dir.Path();
    lang.SetLanguageIndex(c.index);
    EXPECT_EQ(fresh.form.Caption(), c.caption) << c.file;
    EXPECT_EQ(fresh.Label3->Caption(), c.label) << c.file;
  }
}

TEST_F(FormTranslator, AnIndexIsAppliedOncePerChange) {
  WriteFile("[0_frmUpdate]\nCaption=Zero\n[1_frmUpdate]\nCaption=One\n");
  TssLang lang(&f.form);
  lang.FPath = dir.Path();
  lang.SetLanguageIndex(1);
  EXPECT_EQ(f.form.Caption(), "One");
  f.form.SetCaption("changed since");
  lang.SetLanguageIndex(1);
  EXPECT_EQ(f.form.Caption(), "changed since");
  lang.SetLanguageIndex(0);
  EXPECT_EQ(f.form.Caption(), "Zero");
}

TEST_F(FormTranslator, WithoutTheFileNothingChanges) {
  LangIndex = 1;
  ApplyFormLanguage(f.form);
  EXPECT_EQ(f.form.Caption(), "Designed");
  EXPECT_EQ(f.form.ComponentCount(), 10) << "the translator is gone again";
}

TEST_F(FormTranslator, AppliesOneEntryByItsKey) {
  struct Case {
    const char* key;
    const char* value;
    TObject* object;
    const char* prop;
    const char* expected;
  } cases[] = {
      {"Caption", "Title", &f.form, "Caption", "Title"},
      {"caption", "a#$D#$Ab", &f.form, "Caption", "a#$D#$Ab"},  // no line breaks on the window
      {"Width", "300", &f.form, "Width", "300"},
      {"Enabled", "0", &f.form, "Enabled", "1"},  // the window's other kinds are left alone too
      {"BorderIcons", "1", &f.form, "BorderIcons", "7"},
      {"Label3.Caption", "Line one#$D#$ALine two", f.Label3, "Caption", "Line one\r\nLine two\r\n"},
      {"Label3.Caption", "a#$D#$A#$D#$Ab", f.Label3, "Caption", "a\r\nb\r\n"},
      {"Label3.Caption", "end#$D#$A", f.Label3, "Caption", "end#$D#$A"},
      {"Label3.Caption", "#$D#$Astart", f.Label3, "Caption", "#$D#$Astart"},
      {"LABEL3.caption", "case", f.Label3, "Caption", "case"},
      {"Label3.Caption.", "trailing dot", f.Label3, "Caption", "trailing dot"},
      {"Label3 .Caption", "space", f.Label3, "Caption", "trailing dot"},
      {"Label3..Caption", "three", f.Label3, "Caption", "trailing dot"},
      {"Label3.Caption.x", "three", f.Label3, "Caption", "trailing dot"},
      {"Nobody.Caption", "x", f.Label3, "Caption", "trailing dot"},
      {"Label3.Left", "12", f.Label3, "Left", "12"},
      {"Memo1.Text", "a#$D#$Ab", f.Memo1, "Text", "a\r\nb"},
      {"Timer1.Interval", "250", f.Timer1, "Interval", "250"},
      {"BitBtn1.TabOrder", "65536", f.BitBtn1, "TabOrder", "0"},  // 16 bits: the low ones
      // The integer rule, on integers of every width.
      {"Probe1.Int32", "100", f.Probe1, "Int32", "100"},
      {"Probe1.Int32", "$64", f.Probe1, "Int32", "100"},
      {"Probe1.Int32", "0x64", f.Probe1, "Int32", "100"},
      {"Probe1.Int32", "x64", f.Probe1, "Int32", "100"},
      {"Probe1.Int32", "5", f.Probe1, "Int32", "5"},
      {"Probe1.Int32", "100a", f.Probe1, "Int32", "5"},
      {"Probe1.Int32", "100 ", f.Probe1, "Int32", "5"},
      {"Probe1.Int32", "99999999999", f.Probe1, "Int32", "5"},
      {"Probe1.Int8", "200", f.Probe1, "Int8", "-56"},
      {"Probe1.UInt8", "$1FF", f.Probe1, "UInt8", "255"},
      {"Probe1.Int16", "65636", f.Probe1, "Int16", "100"},
      {"Probe1.UInt32", "-1", f.Probe1, "UInt32", "4294967295"},
      {"Probe1.Big", "$FFFFFFFF", f.Probe1, "Big", "-1"},  // sign-extended from 32 bits
      {"Probe1.ReadOnlyInt", "7", f.Probe1, "ReadOnlyInt", "5"},
      // Other kinds are left alone.
      {"Probe1.Flag", "1", f.Probe1, "Flag", "0"},
      {"Probe1.Ratio", "2", f.Probe1, "Ratio", "0.000000"},
      {"Probe1.Letter", "b", f.Probe1, "Letter", "97"},
      {"Probe1.Styles", "3", f.Probe1, "Styles", "0"},
      {"Probe1.Nothing", "a,b", f.Probe1, "Ansi", ""},
      {"Probe1.HeadingFont", "a,b", f.Probe1, "Ansi", ""},
      // Text kinds: short text is cut; wide text takes the value as it is.
      {"Probe1.Short", "0123456789abc", f.Probe1, "Short", "0123456789"},
      {"Probe1.Ansi", "x#$D#$Ay", f.Probe1, "Ansi", "x\r\ny\r\n"},
      {"Probe1.Wide", "Fran\xe7" "ais", f.Probe1, "Wide", "Fran\xe7" "ais"},
      // A setter's error on a number is ignored.
      {"Gauge_process.MinValue", "500", f.Gauge_process, "MinValue", "0"},
      {"Gauge_process.MaxValue", "$FF", f.Gauge_process, "MaxValue", "255"},
  };
  for (const auto& c : cases) {
    ApplyItem(c.key, c.value);
    EXPECT_EQ(Prop(*c.object, c.prop), c.expected) << c.key << "=" << c.value;
  }
  EXPECT_EQ(f.Probe1->Wide(), u"Fran\u00e7ais");
}

TEST_F(FormTranslator, RefillsStringListsAndKeepsTheSelectedItemIndex) {
  struct Case {
    const char* value;
    const char* lines;
  } cases[] = {
      {"a,b,,c", "[a][b][][c]"},
      {"a, b", "[a][ b]"},
      {"a,b,", "[a][b]"},
      {" x , y ", "[x ][ y]"},
  };
  for (const auto& c : cases) {
    ApplyItem("Probe1.Data", c.value);
    EXPECT_EQ(Lines(*f.Probe1->Data()), c.lines) << c.value;
  }
  ApplyItem("Memo1.Lines", "one,two");
  EXPECT_EQ(Lines(*f.Memo1->Lines()), "[one][two]");

  for (TCustomListControl* list : {static_cast<TCustomListControl*>(f.ListBox1),
                                   static_cast<TCustomListControl*>(f.ComboBox1)}) {
    list->Items()->SetText("a\nb\nc\n");
    list->SetItemIndex(1);
    ApplyItem(std::string(list->Name()) + ".Items", "x,y,z,w");
    EXPECT_EQ(Lines(*list->Items()), "[x][y][z][w]");
    EXPECT_EQ(list->ItemIndex(), 1) << list->Name();
    list->SetItemIndex(3);
    // Set back whatever the new count: beyond the items a list control selects nothing.
    ApplyItem(std::string(list->Name()) + ".Items", "only");
    EXPECT_EQ(list->ItemIndex(), -1) << list->Name();
  }
}

TEST_F(FormTranslator, FontNameReachesEveryFontAndSizeOnlyTheWindows) {
  ApplyItem("FONT.NAME", "Arial");
  for (TControl* c : std::initializer_list<TControl*>{&f.form, f.Label3, f.Memo1, f.BitBtn1,
                                                       f.Gauge_process, f.ListBox1, f.Grid1})
    EXPECT_EQ(c->Font()->Name(), "Arial") << c->Name();
  EXPECT_EQ(f.Probe1->HeadingFont()->Name(), "Arial");
  EXPECT_FALSE(f.BitBtn1->ParentFont()) << "its own font got the name, not the window's";

  ApplyItem("font.Size", "12");
  EXPECT_EQ(f.form.Font()->Size(), 12);
  EXPECT_EQ(f.BitBtn1->Font()->Size(), 9);
  EXPECT_EQ(f.Probe1->HeadingFont()->Size(), 8);
  ApplyItem("FONT.Size", "big");
  EXPECT_EQ(f.form.Font()->Size(), 12);

  TColor color = f.form.Font()->Color();
  ApplyItem("FONT.Color", "255");
  EXPECT_EQ(f.form.Font()->Color(), color);
  ApplyItem("FONT.NAME", std::string(40, 'n'));  // a face name holds 31 characters
  EXPECT_EQ(f.Label3->Font()->Name(), std::string(31, 'n'));
}

TEST_F(FormTranslator, GridColumnWidthsInRangeOnly) {
  f.Grid1->SetColCount(5);
  const int32_t designed = f.Grid1->ColWidths(0);
  struct Case {
    const char* key;
    const char* value;
    int32_t column, width;
  } cases[] = {
      {"Grid1.ColWidths[2]", "120", 2, 120},
      {"Grid1.colwidths[3]", "$20", 3, 32},
      {"Grid1.MyColWidths[1]", "40", 1, 40},  // "COLWIDTHS" anywhere in the name
      {"Grid1.ColWidths[ 4]", "44", 4, 44},
      {"Grid1.ColWidths[9]", "77", 0, designed},
      {"Grid1.ColWidths[-1]", "77", 0, designed},
      {"Grid1.ColWidths[x]", "77", 0, designed},
      {"Grid1.ColWidths]0[", "77", 0, designed},
      {"Grid1.ColWidths[0]", "wide", 0, designed},
      {"Grid1.Widths[0]", "77", 0, designed},
      {"Probe1.ColWidths[0]", "77", 0, designed},  // not a grid
  };
  for (const auto& c : cases) {
    ApplyItem(c.key, c.value);
    EXPECT_EQ(f.Grid1->ColWidths(c.column), c.width) << c.key << "=" << c.value;
  }
  ApplyItem("Grid1.ColCount", "7");
  EXPECT_EQ(f.Grid1->ColCount(), 7);
}

TEST_F(FormTranslator, AnErrorSettingTextEndsTheSectionAndReachesTheCaller) {
  WriteFile(
      "[0_frmUpdate]\n"
      "Gauge_process.MinValue=500\n"  // raises, ignored: a number
      "Label3.Caption=first\n"
      "BitBtn1.Name=not a name\n"     // raises: a text property
      "Memo1.Text=never\n");
  LangIndex = 1;
  EXPECT_THROW(ApplyFormLanguage(f.form), EComponentError);
  EXPECT_EQ(f.Label3->Caption(), "first");
  EXPECT_EQ(f.BitBtn1->Name(), "BitBtn1");
  EXPECT_EQ(f.Memo1->Text(), "");
  EXPECT_EQ(f.form.ComponentCount(), 10) << "the translator is freed on the way out";
}

TEST_F(FormTranslator, ApplyFormLanguageUsesLangIndexLessOne) {
  WriteFile("[0_frmUpdate]\nCaption=Zero\n[1_frmUpdate]\nCaption=One\n");
  for (auto [lang, caption] : {std::pair<uint8_t, const char*>{2, "One"}, {1, "Zero"}, {0, "Zero"},
                               {9, "Zero"}}) {
    f.form.SetCaption("Designed");
    LangIndex = lang;
    ApplyFormLanguage(f.form);
    EXPECT_EQ(f.form.Caption(), caption) << int(lang);
  }
}

}  // namespace
}  // namespace qvx
