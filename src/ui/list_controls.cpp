#include "ui/list_controls.h"

#include "ui/property_table.h"

namespace qvx {

const TClassInfo& TCustomListControl::StaticClassInfo() {
  static const TClassInfo info("TCustomListControl", &TWinControl::StaticClassInfo(),
                               {
                                   ObjectProp("Items", &TCustomListControl::Items),
                                   IntProp("ItemIndex", &TCustomListControl::ItemIndex,
                                           &TCustomListControl::SetItemIndex),
                               });
  return info;
}

TCustomListControl::TCustomListControl(TComponent* owner)
    : TWinControl(owner), FItems(std::make_unique<TStrings>()) {
  SetColor(clWindow);
  SetTabStopDefault(true);
  FItems->OnChange = [this](TStrings::TChange change, int index) {
    if (change == TStrings::TChange::Added) {
      Changed(TChange::LineAdded, index);
      return;
    }
    bool hadSelection = FItemIndex != -1;
    FItemIndex = -1;
    Changed(TChange::Lines);
    if (hadSelection) ItemIndexChanged();
  };
}

TCustomListControl::~TCustomListControl() { FItems->OnChange = nullptr; }

void TCustomListControl::SetItemIndex(int32_t index) {
  if (index < 0 || index >= FItems->Count()) index = -1;
  if (index == FItemIndex) return;
  FItemIndex = index;
  Changed(TChange::ItemIndex);
  ItemIndexChanged();
}

void TCustomListControl::ItemIndexChangedByUser(int32_t index) {
  if (index < 0 || index >= FItems->Count()) index = -1;
  FItemIndex = index;
  ItemIndexChanged();
}

const TClassInfo& TListBox::StaticClassInfo() {
  static const TClassInfo info("TListBox", &TCustomListControl::StaticClassInfo(), {});
  return info;
}

TListBox::TListBox(TComponent* owner) : TCustomListControl(owner) { SetBounds(0, 0, 121, 97); }

const TClassInfo& TComboBox::StaticClassInfo() {
  static const TClassInfo info(
      "TComboBox", &TCustomListControl::StaticClassInfo(),
      {
          TextProp("Text", &TComboBox::Text, &TComboBox::SetText),
          EnumProp("Style", &TComboBox::Style, &TComboBox::SetStyle),
          IntProp("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount),
      });
  return info;
}

TComboBox::TComboBox(TComponent* owner) : TCustomListControl(owner) { SetBounds(0, 0, 145, 21); }

void TComboBox::SetStyle(TComboBoxStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed(TChange::Style);
}

void TComboBox::SetDropDownCount(int32_t value) {
  if (value < 1) value = 1;
  if (value == FDropDownCount) return;
  FDropDownCount = value;
  Changed(TChange::Bounds);
}

std::string TComboBox::Text() const {
  if (ItemIndex() >= 0) return Items()->Strings(ItemIndex());
  return FStyle == TComboBoxStyle::csDropDownList ? std::string() : TControl::Text();
}

void TComboBox::SetText(const std::string& text) {
  SetItemIndex(Items()->IndexOf(text));
  TControl::SetText(text);
}

void TComboBox::ItemIndexChanged() {
  if (ItemIndex() >= 0) TControl::SetText(Items()->Strings(ItemIndex()));
}

}  // namespace qvx
