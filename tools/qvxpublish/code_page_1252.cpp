#include "qvxpublish/code_page_1252.h"

#include <cstdint>

namespace qvx {

namespace {

// Bytes 0x80..0x9F; 0 marks the five bytes Windows-1252 leaves unassigned.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool EncodeCp1252(char32_t c, char& out) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    out = static_cast<char>(c);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == c) {
      out = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

// Decodes one UTF-8 sequence at text[i]; rejects overlong forms, surrogates and values above
// U+10FFFF.
bool DecodeUtf8(const std::string& text, size_t& i, char32_t& c) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char b0 = byte(i);
  int extra;
  char32_t min;
  if (b0 < 0x80) {
    c = b0;
    ++i;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    extra = 1, min = 0x80, c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, min = 0x800, c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, min = 0x10000, c = b0 & 0x07;
  } else {
    return false;
  }
  if (i + extra >= text.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    const unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) return false;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  i += extra + 1;
  return true;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

bool Utf8ToCp1252(const std::string& utf8, std::string& out) {
  std::string result;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    char b;
    if (!DecodeUtf8(utf8, i, c) || !EncodeCp1252(c, b)) return false;
    result += b;
  }
  out = std::move(result);
  return true;
}

std::string Cp1252ToUtf8(const std::string& text) {
  std::string out;
  for (unsigned char b : text) {
    if (b >= 0x80 && b <= 0x9F)
      AppendUtf8(out, kHighControls[b - 0x80] ? kHighControls[b - 0x80] : b);
    else
      AppendUtf8(out, b);
  }
  return out;
}

}  // namespace qvx
