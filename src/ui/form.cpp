#include "ui/form.h"

#include <exception>

#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/property_table.h"
#include "ui/screen.h"

namespace qvx {

const TClassInfo& TForm::StaticClassInfo() {
  static const TClassInfo info(
      "TForm", &TWinControl::StaticClassInfo(),
      {
          TextProp("Caption", &TForm::Caption, &TForm::SetCaption),
          EnumProp("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle),
          SetProp("BorderIcons", &TForm::BorderIcons, &TForm::SetBorderIcons),
          EnumProp("Position", &TForm::Position, &TForm::SetPosition),
          IntProp("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth),
          IntProp("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight),
          EnumProp("AlphaBlend", &TForm::AlphaBlend, &TForm::SetAlphaBlend),
          IntProp("AlphaBlendValue", &TForm::AlphaBlendValue, &TForm::SetAlphaBlendValue),
      });
  return info;
}

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  SetVisible(false);
  SetBounds(0, 0, 320, 240);
  RealizeWidget();
}

TForm::~TForm() = default;

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  Changed(TChange::Style);
}

void TForm::SetBorderIcons(uint8_t icons) {
  icons &= biSystemMenu | biMinimize | biMaximize;
  if (icons == FBorderIcons) return;
  FBorderIcons = icons;
  Changed(TChange::Style);
}

void TForm::SetAlphaBlend(bool value) {
  if (value == FAlphaBlend) return;
  FAlphaBlend = value;
  Changed(TChange::Style);
}

void TForm::SetAlphaBlendValue(uint8_t value) {
  if (value == FAlphaBlendValue) return;
  FAlphaBlendValue = value;
  Changed(TChange::Style);
}

void TForm::DoCreate() {
  try {
    if (OnCreate) OnCreate(this);
  } catch (const std::exception& e) {
    ShowErrorMessage(e.what());
  }
}

void TForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  Hide();
  if (FMainForm) TApplication::Instance().Terminate();
}

void TForm::VisibleChanging(bool visible) {
  if (!visible || FPosition != TPosition::poScreenCenter) return;
  int32_t left, top, width, height;
  if (Widget() && ScreenWorkArea(left, top, width, height))
    SetBounds(left + (width - Width()) / 2, top + (height - Height()) / 2, Width(), Height());
}

void TForm::VisibleChanged() {
  const TNotifyEvent& event = Visible() ? OnShow : OnHide;
  if (event) event(this);
}

}  // namespace qvx
