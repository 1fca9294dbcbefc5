// Base64ToText: the result is empty or exactly as long as the rule says; text made by a standard
// encoder decodes back to the bytes it was made from. EncodeBase64 writes what that encoder does.
#include <cstdint>
#include <string>

#include "common/base64.h"
#include "fuzz_support.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool InAlphabet(char c) {
  return c != '\0' && std::string(kAlphabet).find(c) != std::string::npos;
}

std::string Encode(const std::string& bytes) {
  std::string out;
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 |
                 uint8_t(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += kAlphabet[(v >> s) & 63];
  }
  if (bytes.size() - i == 1) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (bytes.size() - i == 2) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1) {
    FUZZ_CHECK(qvx::EncodeBase64(rest) == Encode(rest));
    FUZZ_CHECK(qvx::Base64ToText(Encode(rest)) == rest);
    return 0;
  }
  const std::string decoded = qvx::Base64ToText(rest);
  const size_t n = rest.size();
  if (n == 0 || n % 4 != 0) {
    FUZZ_CHECK(decoded.empty());
    return 0;
  }
  size_t padding = !InAlphabet(rest[n - 2]) ? 2 : !InAlphabet(rest[n - 1]) ? 1 : 0;
  bool clean = true;
  for (size_t i = 0; i < n - padding; ++i) clean = clean && InAlphabet(rest[i]);
  if (!clean) {
    FUZZ_CHECK(decoded.empty());
    return 0;
  }
  FUZZ_CHECK(decoded.size() == n / 4 * 3 - padding);
  // Re-encoding gives the same characters wherever they carried whole bytes.
  const std::string again = Encode(decoded);
  const size_t whole = (n - padding) / 4 * 4;
  FUZZ_CHECK(again.compare(0, whole, rest, 0, whole) == 0);
  return 0;
}
