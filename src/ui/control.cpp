#include "ui/control.h"

#include <algorithm>

#include "ui/property_table.h"

namespace qvx {

const TClassInfo& TControl::StaticClassInfo() {
  static const TClassInfo info(
      "TControl", &TComponent::StaticClassInfo(),
      {
          IntProp("Left", &TControl::Left, &TControl::SetLeft),
          IntProp("Top", &TControl::Top, &TControl::SetTop),
          IntProp("Width", &TControl::Width, &TControl::SetWidth),
          IntProp("Height", &TControl::Height, &TControl::SetHeight),
          EnumProp("Visible", &TControl::Visible, &TControl::SetVisible),
          EnumProp("Enabled", &TControl::Enabled, &TControl::SetEnabled),
          IntProp("Color", &TControl::Color, &TControl::SetColor),
          EnumProp("ParentColor", &TControl::ParentColor, &TControl::SetParentColor),
          ObjectProp("Font", &TControl::Font),
          EnumProp("ParentFont", &TControl::ParentFont, &TControl::SetParentFont),
          TextProp("Hint", &TControl::Hint, &TControl::SetHint),
          EnumProp("ShowHint", &TControl::ShowHint, &TControl::SetShowHint),
      });
  return info;
}

TControl::TControl(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
  DestroyWidget();
  if (FParent) FParent->RemoveControl(this);
}

void TControl::Changed(TChange what, int index) {
  if (FWidget) FWidget->Changed(what, index);
}

void TControl::RealizeWidget() {
  if (FWidget) return;
  if (FParent && !FParent->FWidget) return;
  FWidget = CreateWidget(*this);
  if (!FWidget) return;
  // A new window joins its siblings at the end of the platform's order; the tab order decides.
  if (FParent) FParent->Changed(TChange::TabOrder);
  if (auto* container = dynamic_cast<TWinControl*>(this)) {
    for (TControl* child : container->FControls) child->RealizeWidget();
    if (!container->FControls.empty()) Changed(TChange::TabOrder);
  }
}

void TControl::DestroyWidget() {
  // Child windows go first: the platform destroys them with their parent, and their widgets
  // must not outlive the windows they stand for.
  if (auto* container = dynamic_cast<TWinControl*>(this))
    for (TControl* child : container->FControls) child->DestroyWidget();
  FWidget.reset();
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  for (TWinControl* p = parent; p; p = p->FParent)
    if (p == this) throw EComponentError("Control cannot be its own parent");
  if (FParent) FParent->RemoveControl(this);
  FParent = parent;
  if (!parent) {
    DestroyWidget();
    return;
  }
  parent->InsertControl(this);
  if (FParentFont) TakeParentFont();
  if (FParentColor) TakeParentColor();
  if (FWidget)
    Changed(TChange::Parent);
  else
    RealizeWidget();
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Changed(TChange::Bounds);
}

int32_t TControl::ClientWidth() const {
  int32_t dx = 0, dy = 0;
  if (FWidget) FWidget->NonClientSize(dx, dy);
  return std::max(FWidth - dx, 0);
}

int32_t TControl::ClientHeight() const {
  int32_t dx = 0, dy = 0;
  if (FWidget) FWidget->NonClientSize(dx, dy);
  return std::max(FHeight - dy, 0);
}

void TControl::SetClientWidth(int32_t v) {
  int32_t dx = 0, dy = 0;
  if (FWidget) FWidget->NonClientSize(dx, dy);
  SetWidth(v + dx);
}

void TControl::SetClientHeight(int32_t v) {
  int32_t dx = 0, dy = 0;
  if (FWidget) FWidget->NonClientSize(dx, dy);
  SetHeight(v + dy);
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  VisibleChanging(visible);
  FVisible = visible;
  Changed(TChange::Visible);
  VisibleChanged();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Changed(TChange::Enabled);
}

void TControl::SetText(const std::string& text) {
  if (text == FText) return;
  FText = text;
  Changed(TChange::Text);
}

void TControl::SetColor(TColor color) {
  if (!FFollowingParent) FParentColor = false;
  if (color == FColor) return;
  FColor = color;
  Changed(TChange::Color);
  if (auto* container = dynamic_cast<TWinControl*>(this))
    for (TControl* child : container->FControls)
      if (child->FParentColor) child->TakeParentColor();
}

void TControl::SetParentColor(bool value) {
  FParentColor = value;
  if (value) TakeParentColor();
}

void TControl::TakeParentColor() {
  if (!FParent) return;
  FFollowingParent = true;
  SetColor(FParent->Color());
  FFollowingParent = false;
}

void TControl::SetParentFont(bool value) {
  FParentFont = value;
  if (value) TakeParentFont();
}

void TControl::TakeParentFont() {
  if (!FParent) return;
  FFollowingParent = true;
  FFont->Assign(*FParent->Font());
  FFollowingParent = false;
}

void TControl::FontChanged() {
  if (!FFollowingParent) FParentFont = false;
  Changed(TChange::Font);
  if (auto* container = dynamic_cast<TWinControl*>(this))
    for (TControl* child : container->FControls)
      if (child->FParentFont) child->TakeParentFont();
}

void TControl::TextEditedByUser(const std::string& text) { FText = text; }

void TControl::BoundsChangedByUser(int32_t left, int32_t top, int32_t width, int32_t height) {
  FLeft = left;
  FTop = top;
  FWidth = std::max(width, 0);
  FHeight = std::max(height, 0);
}

void TControl::SetHint(const std::string& hint) {
  if (hint == FHint) return;
  FHint = hint;
  Changed(TChange::Hint);
}

void TControl::SetShowHint(bool value) {
  if (value == FShowHint) return;
  FShowHint = value;
  Changed(TChange::Hint);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

// TWinControl

const TClassInfo& TWinControl::StaticClassInfo() {
  static const TClassInfo info("TWinControl", &TControl::StaticClassInfo(),
                               {
                                   IntProp("TabOrder", &TWinControl::TabOrder,
                                           &TWinControl::SetTabOrder),
                                   EnumProp("TabStop", &TWinControl::TabStop,
                                            &TWinControl::SetTabStop),
                               });
  return info;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  DestroyComponents();
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FControls[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    FTabList.push_back(win);
    int16_t pending = win->FPendingTabOrder;
    if (pending >= 0) win->SetTabOrder(pending);
  }
  Changed(TChange::TabOrder);
}

void TWinControl::RemoveControl(TControl* control) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), control), FTabList.end());
  Changed(TChange::TabOrder);
}

int16_t TWinControl::TabOrder() const {
  TWinControl* parent = Parent();
  if (!parent) return FPendingTabOrder;
  const auto& list = parent->FTabList;
  return static_cast<int16_t>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int16_t order) {
  TWinControl* parent = Parent();
  if (!parent) {
    FPendingTabOrder = order;
    return;
  }
  auto& list = parent->FTabList;
  const int count = static_cast<int>(list.size());
  int target = (order < 0 || order >= count) ? count - 1 : order;
  auto it = std::find(list.begin(), list.end(), this);
  if (it - list.begin() == target) return;
  list.erase(it);
  list.insert(list.begin() + target, this);
  parent->Changed(TChange::TabOrder);
}

void TWinControl::SetTabStop(bool value) {
  if (value == FTabStop) return;
  FTabStop = value;
  Changed(TChange::Style);
}

}  // namespace qvx
