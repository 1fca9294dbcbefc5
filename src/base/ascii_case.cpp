#include "base/ascii_case.h"

namespace qvx {

std::string UpperAscii(std::string text) {
  for (char& c : text) c = UpperAsciiChar(c);
  return text;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) c = LowerAsciiChar(c);
  return text;
}

bool EqualTextIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAsciiChar(a[i]) != UpperAsciiChar(b[i])) return false;
  }
  return true;
}

}  // namespace qvx
