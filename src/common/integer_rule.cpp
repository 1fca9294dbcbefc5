// The one rule by which text becomes a signed 32-bit integer. Grammar:
//   ' '* [ '+' | '-' ] ( ( '$' | 'x' | 'X' | '0x' | '0X' ) hexdigit+ | digit+ )   and nothing after.
// Hexadecimal fills 32 unsigned bits that are then read as signed ('$FFFFFFFF' is -1); decimal must
// fit the signed range, '-2147483648' included.
#include "common/integer_rule.h"

#include "base/errors.h"

namespace qvx {

namespace {

bool ParseInt32(const std::string& text, int32_t& value) {
  size_t i = 0;
  const size_t n = text.size();
  if (n == 0) return false;
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;

  uint32_t acc = 0;
  if (hex) {
    for (; i < n; ++i) {
      int d = HexDigitValue(text[i]);
      if (d < 0 || acc > 0x0FFFFFFFu) return false;
      acc = acc * 16 + static_cast<uint32_t>(d);
    }
    // Two's complement negation in 32 bits, so '-$80000000' wraps to itself.
    value = static_cast<int32_t>(negative ? 0u - acc : acc);
    return true;
  }
  for (; i < n; ++i) {
    char c = text[i];
    if (c < '0' || c > '9' || acc > 214748364u) return false;
    acc = acc * 10 + static_cast<uint32_t>(c - '0');
  }
  if (acc > (negative ? 2147483648u : 2147483647u)) return false;
  value = static_cast<int32_t>(negative ? 0u - acc : acc);
  return true;
}

}  // namespace

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int32_t TextToInt32(const std::string& text) {
  int32_t value = 0;
  if (!ParseInt32(text, value)) throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

int32_t TextToInt32Def(const std::string& text, int32_t def) {
  int32_t value = 0;
  return ParseInt32(text, value) ? value : def;
}

bool TryTextToInt32(const std::string& text, int32_t& value) {
  int32_t parsed = 0;
  if (!ParseInt32(text, parsed)) return false;
  value = parsed;
  return true;
}

}  // namespace qvx
