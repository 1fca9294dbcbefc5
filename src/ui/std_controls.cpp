#include "ui/std_controls.h"

#include "ui/property_table.h"

namespace qvx {

// TLabel

const TClassInfo& TLabel::StaticClassInfo() {
  static const TClassInfo info("TLabel", &TControl::StaticClassInfo(),
                               {
                                   TextProp("Caption", &TLabel::Caption, &TLabel::SetCaption),
                                   EnumProp("Alignment", &TLabel::Alignment, &TLabel::SetAlignment),
                                   EnumProp("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap),
                                   EnumProp("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize),
                               });
  return info;
}

TLabel::TLabel(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 65, 13);
  SetParentColor(true);
}

void TLabel::SetAlignment(TAlignment alignment) {
  if (alignment == FAlignment) return;
  FAlignment = alignment;
  Changed(TChange::Style);
}

void TLabel::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  Changed(TChange::Style);
}

void TLabel::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  Changed(TChange::Style);
}

// TButton

const TClassInfo& TButton::StaticClassInfo() {
  static const TClassInfo info("TButton", &TWinControl::StaticClassInfo(),
                               {
                                   TextProp("Caption", &TButton::Caption, &TButton::SetCaption),
                                   EnumProp("Default", &TButton::Default, &TButton::SetDefault),
                                   EnumProp("Cancel", &TButton::Cancel, &TButton::SetCancel),
                               });
  return info;
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetTabStopDefault(true);
}

void TButton::SetDefault(bool value) {
  if (value == FDefault) return;
  FDefault = value;
  Changed(TChange::Style);
}

// TMemo

const TClassInfo& TMemo::StaticClassInfo() {
  static const TClassInfo info(
      "TMemo", &TWinControl::StaticClassInfo(),
      {
          ObjectProp("Lines", &TMemo::Lines),
          TextProp("Text", &TMemo::Text, &TMemo::SetText),
          EnumProp("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly),
          EnumProp("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars),
          EnumProp("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap),
          EnumProp("Alignment", &TMemo::Alignment, &TMemo::SetAlignment),
          EnumProp("BorderStyle", &TMemo::BorderStyle, &TMemo::SetBorderStyle),
          EnumProp("Ctl3D", &TMemo::Ctl3D, &TMemo::SetCtl3D),
          IntProp("MaxLength", &TMemo::MaxLength, &TMemo::SetMaxLength),
      });
  return info;
}

TMemo::TMemo(TComponent* owner) : TWinControl(owner), FLines(std::make_unique<TStrings>()) {
  SetBounds(0, 0, 185, 89);
  SetColor(clWindow);
  SetTabStopDefault(true);
  FLines->OnChange = [this](TStrings::TChange change, int index) {
    if (FTakingUserText) return;
    if (change == TStrings::TChange::Added)
      Changed(TChange::LineAdded, index);
    else
      Changed(TChange::Lines);
  };
}

TMemo::~TMemo() { FLines->OnChange = nullptr; }

std::string TMemo::Text() const {
  std::string text;
  for (int i = 0; i < FLines->Count(); ++i) {
    if (i) text += "\r\n";
    text += FLines->Strings(i);
  }
  return text;
}

void TMemo::SetText(const std::string& text) { FLines->SetText(text); }

void TMemo::TextEditedByUser(const std::string& text) {
  FTakingUserText = true;
  FLines->SetText(text);
  FTakingUserText = false;
}

void TMemo::StyleChanged() { Changed(TChange::Style); }

void TMemo::SetReadOnly(bool value) {
  if (value == FReadOnly) return;
  FReadOnly = value;
  StyleChanged();
}

void TMemo::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  StyleChanged();
}

void TMemo::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  StyleChanged();
}

void TMemo::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  StyleChanged();
}

void TMemo::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  StyleChanged();
}

void TMemo::SetCtl3D(bool value) {
  if (value == FCtl3D) return;
  FCtl3D = value;
  StyleChanged();
}

void TMemo::SetMaxLength(int32_t value) {
  if (value < 0) value = 0;
  if (value == FMaxLength) return;
  FMaxLength = value;
  StyleChanged();
}

}  // namespace qvx
