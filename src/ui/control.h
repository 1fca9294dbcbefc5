#pragma once
// Visual components. A control keeps every property value itself; a back end's widget shows them.
// TWinControl is a control that can hold other controls and take part in the tab order.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/graphics.h"
#include "ui/widget.h"

namespace qvx {

class TWinControl;

using TNotifyEvent = std::function<void(TObject* sender)>;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TWinControl* Parent() const { return FParent; }
  // Places the control in parent's client area (none: takes it out). On a back end that shows
  // controls this is when the control becomes a real window.
  void SetParent(TWinControl* parent);

  int32_t Left() const { return FLeft; }
  int32_t Top() const { return FTop; }
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  void SetLeft(int32_t v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int32_t v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int32_t v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int32_t v) { SetBounds(FLeft, FTop, FWidth, v); }
  // A negative width or height is taken as 0.
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  virtual int32_t ClientWidth() const;
  virtual int32_t ClientHeight() const;
  void SetClientWidth(int32_t v);
  void SetClientHeight(int32_t v);

  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);

  // The control's text: a caption for labels, buttons and windows, the content of a memo.
  virtual std::string Text() const { return FText; }
  virtual void SetText(const std::string& text);

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  // While set, the control takes its parent's colour and follows it.
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TFont* Font() const { return FFont.get(); }
  // While set, the control takes its parent's font and follows it; a change made to the
  // control's own font clears it.
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);

  const std::string& Hint() const { return FHint; }
  // Shown when the mouse rests on the control, while ShowHint is set.
  void SetHint(const std::string& hint);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);

  TNotifyEvent OnClick;
  virtual void Click();

  // For back ends: the user changed the control's text in its window. The value is taken
  // without being sent back to the window.
  virtual void TextEditedByUser(const std::string& text);
  // For back ends: the user moved or sized the window.
  void BoundsChangedByUser(int32_t left, int32_t top, int32_t width, int32_t height);

  // The native window that shows this control, or nullptr on a back end without windows.
  void* Handle() const { return FWidget ? FWidget->Handle() : nullptr; }
  TWidget* Widget() const { return FWidget.get(); }

 protected:
  // Tells the widget, if there is one.
  void Changed(TChange what, int index = -1);
  // Made when the control's class is complete (see CreateWidget).
  void RealizeWidget();
  void DestroyWidget();
  // Around a change of Visible: before the widget shows or hides the control, and after.
  virtual void VisibleChanging(bool /*visible*/) {}
  virtual void VisibleChanged() {}
  // The parent's font or colour changed, or the control followed them anew.
  void TakeParentFont();
  void TakeParentColor();

 private:
  friend class TWinControl;
  void FontChanged();

  TWinControl* FParent = nullptr;
  int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FText;
  TColor FColor = clBtnFace;
  bool FParentColor = false;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  bool FFollowingParent = false;
  std::string FHint;
  bool FShowHint = false;
  std::unique_ptr<TWidget> FWidget;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const;  // EListError outside 0..ControlCount()-1

  // The position in the parent's tab order. Without a parent the value is kept and applied when
  // the control gets one; with one, a value outside the order moves the control to its end.
  int16_t TabOrder() const;
  void SetTabOrder(int16_t order);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  // The parent's windows that take part in the tab order, in that order.
  const std::vector<TWinControl*>& TabList() const { return FTabList; }

 protected:
  void SetTabStopDefault(bool value) { FTabStop = value; }

 private:
  friend class TControl;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  int16_t FPendingTabOrder = -1;
  bool FTabStop = false;
};

}  // namespace qvx
