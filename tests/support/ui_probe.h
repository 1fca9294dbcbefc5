#pragma once
// A control that declares a property of every kind the window layer knows, for tests that set
// properties by name.
#include <memory>
#include <string>

#include "ui/control.h"
#include "ui/property_table.h"
#include "ui/strings.h"

namespace qvx {

class TProbe : public TControl {
 public:
  explicit TProbe(TComponent* owner)
      : TControl(owner), FHeadingFont(std::make_unique<TFont>()), FData(std::make_unique<TStrings>()) {}

  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo info(
        "TProbe", &TControl::StaticClassInfo(),
        {
            IntProp("Int8", &TProbe::I8, &TProbe::SetI8),
            IntProp("UInt8", &TProbe::U8, &TProbe::SetU8),
            IntProp("Int16", &TProbe::I16, &TProbe::SetI16),
            IntProp("Int32", &TProbe::I32, &TProbe::SetI32),
            IntProp("UInt32", &TProbe::U32, &TProbe::SetU32),
            IntProp("ReadOnlyInt", &TProbe::I32, nullptr),
            ShortTextProp("Short", 10, &TProbe::Short, &TProbe::SetShort),
            TextProp("Ansi", &TProbe::Ansi, &TProbe::SetAnsi),
            WideTextProp("Wide", &TProbe::Wide, &TProbe::SetWide),
            Int64Prop("Big", &TProbe::Big, &TProbe::SetBig),
            EnumProp("Flag", &TProbe::Flag, &TProbe::SetFlag),
            FloatProp("Ratio", &TProbe::Ratio, &TProbe::SetRatio),
            CharProp("Letter", &TProbe::Letter, &TProbe::SetLetter),
            SetProp("Styles", &TProbe::Styles, &TProbe::SetStyles),
            ObjectProp("HeadingFont", &TProbe::HeadingFont),
            ObjectProp("Data", &TProbe::Data),
            ObjectProp("Nothing", &TProbe::Nothing),
        });
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int8_t I8() const { return FI8; }
  void SetI8(int8_t v) { FI8 = v; }
  uint8_t U8() const { return FU8; }
  void SetU8(uint8_t v) { FU8 = v; }
  int16_t I16() const { return FI16; }
  void SetI16(int16_t v) { FI16 = v; }
  int32_t I32() const { return FI32; }
  void SetI32(int32_t v) { FI32 = v; }
  uint32_t U32() const { return FU32; }
  void SetU32(uint32_t v) { FU32 = v; }
  const std::string& Short() const { return FShort; }
  void SetShort(const std::string& v) { FShort = v; }
  const std::string& Ansi() const { return FAnsi; }
  void SetAnsi(const std::string& v) { FAnsi = v; }
  const std::u16string& Wide() const { return FWide; }
  void SetWide(const std::u16string& v) { FWide = v; }
  int64_t Big() const { return FBig; }
  void SetBig(int64_t v) { FBig = v; }
  bool Flag() const { return FFlag; }
  void SetFlag(bool v) { FFlag = v; }
  double Ratio() const { return FRatio; }
  void SetRatio(double v) { FRatio = v; }
  char Letter() const { return FLetter; }
  void SetLetter(char v) { FLetter = v; }
  uint8_t Styles() const { return FStyles; }
  void SetStyles(uint8_t v) { FStyles = v; }
  TFont* HeadingFont() const { return FHeadingFont.get(); }
  TStrings* Data() const { return FData.get(); }
  TObject* Nothing() const { return nullptr; }

 private:
  int8_t FI8 = 0;
  uint8_t FU8 = 0;
  int16_t FI16 = 0;
  int32_t FI32 = 0;
  uint32_t FU32 = 0;
  std::string FShort, FAnsi;
  std::u16string FWide;
  int64_t FBig = 0;
  bool FFlag = false;
  double FRatio = 0;
  char FLetter = 'a';
  uint8_t FStyles = 0;
  std::unique_ptr<TFont> FHeadingFont;
  std::unique_ptr<TStrings> FData;
};

}  // namespace qvx
