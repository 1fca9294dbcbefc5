#include "qvxpublish/code_page_1252.h"

#include <cstdint>

#include "base/cp1252.h"

namespace qvx {

namespace {

// Strict: a character without its own byte is refused, never given a similar one, and the C1
// controls that the five unassigned bytes decode to count as not held.
bool EncodeCp1252(char32_t c, char& out) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    out = static_cast<char>(c);
    return true;
  }
  if (c >= 0x80 && c <= 0x9F) return false;
  for (unsigned b = 0x80; b <= 0x9F; ++b) {
    if (Cp1252ToWideChar(static_cast<unsigned char>(b)) == c) {
      out = static_cast<char>(b);
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
  for (unsigned char b : text) AppendUtf8(out, Cp1252ToWideChar(b));
  return out;
}

}  // namespace qvx
