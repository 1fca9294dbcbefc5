#pragma once
// Colours and fonts of the window layer.
#include <cstdint>
#include <functional>
#include <string>

#include "ui/component.h"

namespace qvx {

// 0x00BBGGRR for a fixed colour; a system colour is 0xFF000000 plus the platform's colour index.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr TColor clInfoText = clSystemColor | 23;

// Font style bits.
constexpr uint8_t fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;
enum class TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
constexpr uint8_t DEFAULT_CHARSET_VALUE = 1;
constexpr uint8_t GB2312_CHARSET_VALUE = 134;

// Layout is in pixels at this density; a font's Size (points) and Height (pixels) convert by it.
constexpr int32_t ScreenPixelsPerInch = 96;

// a * b / c rounded half away from zero, as the platform's MulDiv does; -1 when c is 0 or the
// result does not fit.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

class TFont : public TPersistent {
 public:
  static constexpr uint8_t MaxNameLength = 31;  // a face name fits the platform's 32-byte field

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  // Points; a negative Height is the character height in pixels, a positive one the cell height.
  int32_t Size() const;
  void SetSize(int32_t size);
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t height);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  uint8_t Style() const { return FStyle; }
  void SetStyle(uint8_t style);
  uint8_t Charset() const { return FCharset; }
  void SetCharset(uint8_t charset);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch pitch);

  // Copies every attribute and reports one change.
  void Assign(const TFont& other);
  bool SameAs(const TFont& other) const;

  // Run after every change, by the control that shows the font.
  std::function<void()> OnChange;

 private:
  void Changed();

  std::string FName = "MS Sans Serif";
  int32_t FHeight = -11;
  TColor FColor = clWindowText;
  uint8_t FStyle = 0;
  uint8_t FCharset = DEFAULT_CHARSET_VALUE;
  TFontPitch FPitch = TFontPitch::fpDefault;
};

}  // namespace qvx
