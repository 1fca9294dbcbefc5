#pragma once
// The simple controls: a label, a push button and a multi-line text box.
#include <memory>

#include "ui/control.h"
#include "ui/strings.h"

namespace qvx {

enum class TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& caption) { SetText(caption); }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // The label takes the size of its text in its font (with WordWrap, only the height), where a
  // back end can measure text.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);

 private:
  TAlignment FAlignment = TAlignment::taLeftJustify;
  bool FWordWrap = false;
  bool FAutoSize = true;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& caption) { SetText(caption); }
  // The button that Enter presses.
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  // The button that Escape presses.
  bool Cancel() const { return FCancel; }
  void SetCancel(bool value) { FCancel = value; }

 private:
  bool FDefault = false;
  bool FCancel = false;
};

enum class TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TBorderStyle : uint8_t { bsNone, bsSingle };

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);
  ~TMemo() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TStrings* Lines() const { return FLines.get(); }
  // The lines joined by CR LF, as the window shows them; setting it splits at CR LF, CR or LF.
  std::string Text() const override;
  void SetText(const std::string& text) override;
  void TextEditedByUser(const std::string& text) override;
  void AppendLine(const std::string& line) { FLines->Add(line); }
  void Clear() { FLines->Clear(); }

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  // A sunken border when set, a flat line when not.
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool value);
  // The most characters the user may type; 0 for no limit.
  int32_t MaxLength() const { return FMaxLength; }
  void SetMaxLength(int32_t value);

 private:
  void StyleChanged();

  std::unique_ptr<TStrings> FLines;
  bool FTakingUserText = false;
  bool FReadOnly = false;
  TScrollStyle FScrollBars = TScrollStyle::ssNone;
  bool FWordWrap = true;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
  bool FCtl3D = true;
  int32_t FMaxLength = 0;
};

}  // namespace qvx
