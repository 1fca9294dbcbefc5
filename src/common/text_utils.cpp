#include "common/text_utils.h"

namespace qvx {

namespace {
inline bool IsBlank(unsigned char c) { return c <= 32; }
inline unsigned char UpperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
}  // namespace

std::string TrimBlanks(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && IsBlank(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

bool EqualTextIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(static_cast<unsigned char>(a[i])) != UpperAscii(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace qvx
