#include "ui/graphics.h"

#include "ui/property_table.h"

namespace qvx {

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t n = static_cast<int64_t>(a) * b;
  bool negative = (n < 0) != (c < 0);
  uint64_t un = static_cast<uint64_t>(n < 0 ? -n : n);
  uint64_t uc = static_cast<uint64_t>(c < 0 ? -static_cast<int64_t>(c) : c);
  uint64_t q = (un + uc / 2) / uc;
  if (q > 0x7FFFFFFFu) return -1;  // the platform's answer to an overflow
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q));
}

const TClassInfo& TFont::StaticClassInfo() {
  static const TClassInfo info(
      "TFont", &TPersistent::StaticClassInfo(),
      {
          ShortTextProp("Name", MaxNameLength, &TFont::Name, &TFont::SetName),
          IntProp("Size", &TFont::Size, &TFont::SetSize),
          IntProp("Height", &TFont::Height, &TFont::SetHeight),
          IntProp("Color", &TFont::Color, &TFont::SetColor),
          SetProp("Style", &TFont::Style, &TFont::SetStyle),
          IntProp("Charset", &TFont::Charset, &TFont::SetCharset),
          EnumProp("Pitch", &TFont::Pitch, &TFont::SetPitch),
      });
  return info;
}

void TFont::Changed() {
  if (OnChange) OnChange();
}

void TFont::SetName(const std::string& name) {
  // Whoever calls this directly gets the same cut as the property table applies.
  std::string cut = name.substr(0, MaxNameLength);
  if (cut == FName) return;
  FName = cut;
  Changed();
}

int32_t TFont::Size() const { return -MulDivRound(FHeight, 72, ScreenPixelsPerInch); }

void TFont::SetSize(int32_t size) { SetHeight(-MulDivRound(size, ScreenPixelsPerInch, 72)); }

void TFont::SetHeight(int32_t height) {
  if (height == FHeight) return;
  FHeight = height;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TFont::SetStyle(uint8_t style) {
  style &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TFont::SetCharset(uint8_t charset) {
  if (charset == FCharset) return;
  FCharset = charset;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == FPitch) return;
  FPitch = pitch;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return FName == other.FName && FHeight == other.FHeight && FColor == other.FColor &&
         FStyle == other.FStyle && FCharset == other.FCharset && FPitch == other.FPitch;
}

void TFont::Assign(const TFont& other) {
  if (SameAs(other)) return;
  FName = other.FName;
  FHeight = other.FHeight;
  FColor = other.FColor;
  FStyle = other.FStyle;
  FCharset = other.FCharset;
  FPitch = other.FPitch;
  Changed();
}

}  // namespace qvx
