// The component layer's shared logic: property tables, ownership, parents, fonts, tab order.
// Runs on both back ends; nothing here depends on what a back end shows.
#include <gtest/gtest.h>

#include "support/ui_probe.h"
#include "ui/data_grid.h"
#include "ui/form.h"
#include "ui/gauge.h"
#include "ui/list_controls.h"
#include "ui/picture.h"
#include "ui/std_controls.h"

namespace qvx {
namespace {

TEST(PropertyTable, IntegersKeepTheLowOrderBitsOfTheirWidth) {
  struct Case {
    const char* prop;
    int64_t set, get;
  } cases[] = {
      {"Int8", 127, 127},       {"Int8", 128, -128},         {"Int8", 0x1FF, -1},
      {"UInt8", 256 + 7, 7},    {"UInt8", -1, 255},          {"Int16", 65536 + 100, 100},
      {"Int16", 0x8000, -32768}, {"Int32", 0x1FFFFFFFFLL, -1}, {"UInt32", -1, 4294967295LL},
      {"Big", INT64_MIN, INT64_MIN},
  };
  TProbe probe(nullptr);
  for (const auto& c : cases) {
    const TPropInfo* p = GetPropInfo(probe, c.prop);
    ASSERT_NE(p, nullptr) << c.prop;
    SetOrdProp(probe, *p, c.set);
    EXPECT_EQ(GetOrdProp(probe, *p), c.get) << c.prop << " = " << c.set;
  }
}

TEST(PropertyTable, ShortTextIsCutToItsDeclaredLength) {
  TProbe probe(nullptr);
  SetStrProp(probe, *GetPropInfo(probe, "short"), "0123456789abc");
  EXPECT_EQ(probe.Short(), "0123456789");
  SetStrProp(probe, *GetPropInfo(probe, "ANSI"), std::string(300, 'x'));
  EXPECT_EQ(probe.Ansi().size(), 300u);

  TFont font;
  SetStrProp(font, *GetPropInfo(font, "Name"), std::string(40, 'f'));
  EXPECT_EQ(font.Name(), std::string(31, 'f'));
}

TEST(PropertyTable, LookupIgnoresCaseAndWalksTheClassChain) {
  TProbe probe(nullptr);
  struct Case {
    const char* name;
    TPropKind kind;
  } cases[] = {
      {"int8", TPropKind::Integer},     {"SHORT", TPropKind::ShortText},
      {"wide", TPropKind::WideText},    {"big", TPropKind::Int64},
      {"flag", TPropKind::Enumeration}, {"ratio", TPropKind::Float},
      {"letter", TPropKind::Char},      {"styles", TPropKind::Set},
      {"data", TPropKind::Object},      {"left", TPropKind::Integer},  // TControl
      {"FONT", TPropKind::Object},      {"name", TPropKind::Text},     // TComponent
  };
  for (const auto& c : cases) {
    const TPropInfo* p = GetPropInfo(probe, c.name);
    ASSERT_NE(p, nullptr) << c.name;
    EXPECT_EQ(p->Kind, c.kind) << c.name;
  }
  for (const char* missing : {"", "Int 8", "Caption", "TabOrder", "Left "})
    EXPECT_EQ(GetPropInfo(probe, missing), nullptr) << missing;
}

TEST(PropertyTable, WrongKindAndReadOnlyRaiseInsteadOfWriting) {
  TProbe probe(nullptr);
  probe.SetI32(5);
  EXPECT_THROW(SetOrdProp(probe, *GetPropInfo(probe, "ReadOnlyInt"), 9), EPropertyError);
  EXPECT_THROW(SetStrProp(probe, *GetPropInfo(probe, "Int32"), "9"), EPropertyError);
  EXPECT_THROW(SetOrdProp(probe, *GetPropInfo(probe, "Ansi"), 9), EPropertyError);
  EXPECT_THROW(SetStrProp(probe, *GetPropInfo(probe, "Wide"), "9"), EPropertyError);
  EXPECT_THROW(GetObjectProp(probe, *GetPropInfo(probe, "Ratio")), EPropertyError);
  EXPECT_EQ(probe.I32(), 5);
  EXPECT_EQ(GetObjectProp(probe, *GetPropInfo(probe, "Nothing")), nullptr);
  EXPECT_EQ(GetObjectProp(probe, *GetPropInfo(probe, "Data")), probe.Data());
}

TEST(Component, OwnerFindsByNameAndFreesWhatItOwns) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* a = new TComponent(owner.get());
  auto* b = new TComponent(owner.get());
  a->SetName("Label3");
  b->SetName("Memo1");
  EXPECT_EQ(owner->FindComponent("label3"), a);
  EXPECT_EQ(owner->FindComponent("MEMO1"), b);
  EXPECT_EQ(owner->FindComponent(""), nullptr);
  EXPECT_EQ(owner->FindComponent("Label3 "), nullptr);
  EXPECT_THROW(b->SetName("LABEL3"), EComponentError);  // taken, whatever the case
  EXPECT_THROW(b->SetName("2nd"), EComponentError);
  EXPECT_THROW(b->SetName("a b"), EComponentError);
  EXPECT_EQ(b->Name(), "Memo1");

  delete a;  // leaves its owner's list
  ASSERT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->Components(0), b);
  EXPECT_THROW(owner->Components(1), EListError);
  owner.reset();  // frees b; ASan reports a leak or a double free otherwise
}

TEST(Component, ComponentsKeepCreationOrder) {
  TForm form(nullptr);
  auto* l = new TLabel(&form);
  auto* m = new TMemo(&form);
  auto* g = new TGauge(&form);
  ASSERT_EQ(form.ComponentCount(), 3);
  EXPECT_EQ(form.Components(0), l);
  EXPECT_EQ(form.Components(1), m);
  EXPECT_EQ(form.Components(2), g);
}

TEST(Control, ChildrenFollowTheParentFontUntilTheirOwnChanges) {
  TForm form(nullptr);
  auto* label = new TLabel(&form);
  auto* button = new TButton(&form);
  label->SetParent(&form);
  button->SetParent(&form);
  button->Font()->SetName("Courier New");  // its own font now
  EXPECT_FALSE(button->ParentFont());

  form.Font()->SetName("Arial");
  form.Font()->SetSize(12);
  EXPECT_EQ(label->Font()->Name(), "Arial");
  EXPECT_EQ(label->Font()->Size(), 12);
  EXPECT_TRUE(label->ParentFont());
  EXPECT_EQ(button->Font()->Name(), "Courier New");

  button->SetParentFont(true);
  EXPECT_EQ(button->Font()->Name(), "Arial");
}

TEST(Font, SizeAndHeightConvertAtNinetySixDotsPerInch) {
  TFont font;
  struct Case {
    int32_t size, height;
  } cases[] = {{8, -11}, {9, -12}, {12, -16}, {0, 0}, {-11, 15}};
  for (const auto& c : cases) {
    font.SetSize(c.size);
    EXPECT_EQ(font.Height(), c.height) << c.size;
  }
  font.SetHeight(-11);
  EXPECT_EQ(font.Size(), 8);
  font.SetSize(INT32_MAX);  // no overflow; the platform's MulDiv gives -1
  EXPECT_EQ(font.Height(), 1);
}

TEST(Control, TabOrderMovesWithinTheParent) {
  TForm form(nullptr);
  TButton* b[3];
  for (auto*& x : b) {
    x = new TButton(&form);
    x->SetParent(&form);
  }
  EXPECT_EQ(b[2]->TabOrder(), 2);
  b[2]->SetTabOrder(0);
  EXPECT_EQ(form.TabList(), (std::vector<TWinControl*>{b[2], b[0], b[1]}));
  b[2]->SetTabOrder(99);  // out of range: to the end
  EXPECT_EQ(b[2]->TabOrder(), 2);
  b[0]->SetTabOrder(-1);
  EXPECT_EQ(form.TabList(), (std::vector<TWinControl*>{b[1], b[2], b[0]}));

  auto* late = new TButton(&form);
  late->SetTabOrder(1);  // kept until it has a parent
  late->SetParent(&form);
  EXPECT_EQ(late->TabOrder(), 1);
  delete b[1];
  EXPECT_EQ(form.TabList(), (std::vector<TWinControl*>{late, b[2], b[0]}));
}

TEST(ListControl, SelectionStaysWithinTheItems) {
  TForm form(nullptr);
  auto* box = new TListBox(&form);
  box->SetParent(&form);
  for (auto s : {"a", "b", "c"}) box->Items()->Add(s);
  box->SetItemIndex(2);
  EXPECT_EQ(box->ItemIndex(), 2);
  box->Items()->Add("d");  // an append keeps it
  EXPECT_EQ(box->ItemIndex(), 2);
  box->SetItemIndex(7);
  EXPECT_EQ(box->ItemIndex(), -1);
  box->SetItemIndex(1);
  box->Items()->Clear();
  EXPECT_EQ(box->ItemIndex(), -1);

  auto* combo = new TComboBox(&form);
  combo->SetParent(&form);
  combo->Items()->SetText("one\r\ntwo\r\n");
  combo->SetText("two");
  EXPECT_EQ(combo->ItemIndex(), 1);
  combo->SetItemIndex(0);
  EXPECT_EQ(combo->Text(), "one");
}

TEST(Gauge, ProgressStaysInRangeAndBadRangesRaise) {
  TGauge gauge(nullptr);
  gauge.SetProgress(150);
  EXPECT_EQ(gauge.Progress(), 100);
  EXPECT_EQ(gauge.PercentDone(), 100);
  gauge.SetMaxValue(400);
  gauge.SetProgress(100);
  EXPECT_EQ(gauge.PercentDone(), 25);
  gauge.SetMaxValue(50);
  EXPECT_EQ(gauge.Progress(), 50);
  EXPECT_THROW(gauge.SetMinValue(51), EInvalidOperation);
  EXPECT_THROW(gauge.SetMaxValue(-1), EInvalidOperation);
  EXPECT_EQ(gauge.MaxValue(), 50);
  gauge.SetMaxValue(INT32_MAX);
  gauge.SetMinValue(INT32_MIN);
  gauge.SetProgress(INT32_MAX);
  EXPECT_EQ(gauge.PercentDone(), 100);  // no overflow in the percentage
  gauge.SetMaxValue(INT32_MIN);
  EXPECT_EQ(gauge.PercentDone(), 0);    // an empty range
}

TEST(DataGrid, ColumnWidthsOutsideTheGridRaise) {
  TDataGrid grid(nullptr);
  grid.SetColCount(5);
  grid.SetColWidths(2, 120);
  EXPECT_EQ(grid.ColWidths(2), 120);
  EXPECT_THROW(grid.SetColWidths(5, 10), EGridError);
  EXPECT_THROW(grid.SetColWidths(-1, 10), EGridError);
  grid.SetColWidths(0, -7);
  EXPECT_EQ(grid.ColWidths(0), 0);
  grid.SetColCount(7);
  EXPECT_EQ(grid.ColWidths(6), grid.DefaultColWidth());
  EXPECT_THROW(grid.SetColCount(0), EGridError);
  grid.SetCells(6, 4, "x");
  EXPECT_EQ(grid.Cells(6, 4), "x");
  EXPECT_EQ(grid.Cells(5, 4), "");
  EXPECT_THROW(grid.Cells(7, 0), EGridError);
}

std::string Bmp(int32_t width, int32_t height, int bits, uint32_t pixelBytes) {
  auto le = [](std::string& s, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  std::string s = "BM";
  le(s, 54 + pixelBytes, 4);
  le(s, 0, 4);
  le(s, 54, 4);
  le(s, 40, 4);
  le(s, static_cast<uint32_t>(width), 4);
  le(s, static_cast<uint32_t>(height), 4);
  le(s, 1, 2);
  le(s, static_cast<uint32_t>(bits), 2);
  le(s, 0, 4);
  s += std::string(20, '\0');
  return s;
}

TEST(Picture, ReadsUncompressedBitmapsAndRefusesBrokenOnes) {
  // 2 x 2, 24 bits, bottom row first: rows of 6 bytes padded to 8.
  std::string bmp = Bmp(2, 2, 24, 16);
  bmp += std::string("\x01\x02\x03\x04\x05\x06\0\0", 8);   // bottom row: 030201, 060504
  bmp += std::string("\x11\x12\x13\x14\x15\x16\0\0", 8);   // top row
  TPicture pic;
  pic.LoadFromBitmapBytes(bmp);
  ASSERT_EQ(pic.Width(), 2);
  EXPECT_EQ(pic.Pixels(), (std::vector<uint32_t>{0x131211, 0x161514, 0x030201, 0x060504}));

  std::string bad[] = {
      "", "BM", bmp.substr(0, bmp.size() - 1),       // a row cut short
      Bmp(2, 2, 8, 16) + std::string(16, '\0'),      // palette bitmaps are not read
      Bmp(100000, 1, 24, 0),                         // larger than the bound
      Bmp(0, 2, 24, 0),
      Bmp(1, INT32_MIN, 24, 0),
  };
  for (const auto& b : bad) EXPECT_THROW(pic.LoadFromBitmapBytes(b), EInvalidGraphic);
  EXPECT_EQ(pic.Width(), 2);  // unchanged by the failures
}

}  // namespace
}  // namespace qvx
