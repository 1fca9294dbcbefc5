#pragma once
// A top-level window. Its widget is made by its constructor, so a form exists on screen (hidden)
// as soon as it exists at all; Show makes it visible.
#include <functional>

#include "ui/control.h"

namespace qvx {

enum class TFormBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
constexpr uint8_t biSystemMenu = 1, biMinimize = 2, biMaximize = 4;
enum class TPosition : uint8_t { poDesigned, poScreenCenter };
enum class TCloseAction : uint8_t { caNone, caHide };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& caption) { SetText(caption); }
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle style);
  uint8_t BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(uint8_t icons);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition position) { FPosition = position; }
  bool AlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(bool value);
  uint8_t AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(uint8_t value);

  // The application ends when its main form closes. Set it before the form is shown: on the
  // console, Ctrl-C closes the main form that is visible.
  bool IsMainForm() const { return FMainForm; }
  void SetMainForm(bool value) { FMainForm = value; }

  // Runs OnCreate. A failure inside it is shown to the user (ShowErrorMessage) and goes no
  // further: the form stays, as it is at that point.
  void DoCreate();
  // Asks OnClose (which may refuse with caNone), then hides the form; closing the main form
  // also terminates the application.
  void Close();

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;

 protected:
  void VisibleChanging(bool visible) override;
  void VisibleChanged() override;

 private:
  TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
  uint8_t FBorderIcons = biSystemMenu | biMinimize | biMaximize;
  TPosition FPosition = TPosition::poDesigned;
  bool FAlphaBlend = false;
  uint8_t FAlphaBlendValue = 255;
  bool FMainForm = false;
};

}  // namespace qvx
