#pragma once
// Text rules of the HTTP client. The text before or after the first occurrence of a separator
// is the whole text when the separator does not occur; case changes touch a-z / A-Z only.
#include <string>

namespace qvx {

std::string TextBefore(const std::string& text, const std::string& separator);
std::string TextAfter(const std::string& text, const std::string& separator);
std::string UpperAscii(std::string text);
std::string LowerAscii(std::string text);
// Drops trailing bytes of value 32 or less.
std::string TrimTrailingBlanks(const std::string& text);

}  // namespace qvx
