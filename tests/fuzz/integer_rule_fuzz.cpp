// The integer rule against a second, independent reading of its grammar (64-bit arithmetic, no
// early cut-offs), and the three entry points against each other.
#include <cstdint>
#include <string>

#include "base/errors.h"
#include "common/integer_rule.h"
#include "fuzz_support.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// ' '* sign? (hexprefix hexdigit{1,} | digit{1,}) end; hex keeps at most eight significant
// digits after leading zeros; decimal fits the signed range, -2147483648 included.
bool Reference(const std::string& t, int32_t& out) {
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  bool hex = false;
  if (t.compare(i, 2, "0x") == 0 || t.compare(i, 2, "0X") == 0) {
    hex = true;
    i += 2;
  } else if (i < t.size() && (t[i] == '$' || t[i] == 'x' || t[i] == 'X')) {
    hex = true;
    i += 1;
  }
  if (i >= t.size()) return false;
  uint64_t v = 0;
  for (; i < t.size(); ++i) {
    int d = hex ? HexValue(t[i]) : (t[i] >= '0' && t[i] <= '9' ? t[i] - '0' : -1);
    if (d < 0) return false;
    v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    uint32_t bits = static_cast<uint32_t>(v);
    out = static_cast<int32_t>(neg ? 0u - bits : bits);
    return true;
  }
  if (v > (neg ? 2147483648ull : 2147483647ull)) return false;
  out = static_cast<int32_t>(neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  int32_t expected = 0;
  const bool valid = Reference(text, expected);

  int32_t value = 0;
  const bool ok = qvx::TryTextToInt32(text, value);
  FUZZ_CHECK(ok == valid);
  if (ok) FUZZ_CHECK(value == expected);

  FUZZ_CHECK(qvx::TextToInt32Def(text, -7) == (valid ? expected : -7));
  try {
    FUZZ_CHECK(qvx::TextToInt32(text) == expected && valid);
  } catch (const qvx::EConvertError& e) {
    FUZZ_CHECK(!valid);
    // Exception texts are C strings: a NUL in the input ends the message there.
    if (text.find('\0') == std::string::npos)
      FUZZ_CHECK(e.Message() == "'" + text + "' is not a valid integer value");
  }
  return 0;
}
