#include "common/base64.h"

#include <cstdint>

namespace qvx {

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

std::string EncodeBase64(const std::string& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    uint32_t v = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  size_t rest = bytes.size() - i;
  if (rest) {
    uint32_t v = uint8_t(bytes[i]) << 16;
    if (rest == 2) v |= uint8_t(bytes[i + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string Base64ToText(const std::string& text) {
  const size_t n = text.size();
  if (n == 0 || n % 4 != 0) return std::string();
  size_t padding = 0;
  if (Base64Value(static_cast<unsigned char>(text[n - 2])) < 0)
    padding = 2;
  else if (Base64Value(static_cast<unsigned char>(text[n - 1])) < 0)
    padding = 1;

  std::string out;
  out.reserve(n / 4 * 3 - padding);
  uint32_t bits = 0;
  int bitCount = 0;
  for (size_t i = 0; i < n - padding; ++i) {
    int v = Base64Value(static_cast<unsigned char>(text[i]));
    if (v < 0) return std::string();
    bits = (bits << 6) | static_cast<uint32_t>(v);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      out.push_back(static_cast<char>((bits >> bitCount) & 0xFF));
    }
  }
  return out;
}

}  // namespace qvx
