#include "net/http_text.h"

#include "common/integer_rule.h"

namespace qvx {

std::string TextBefore(const std::string& text, const std::string& separator) {
  size_t at = text.find(separator);
  return at == std::string::npos ? text : text.substr(0, at);
}

std::string TextAfter(const std::string& text, const std::string& separator) {
  size_t at = text.find(separator);
  return at == std::string::npos ? text : text.substr(at + separator.size());
}

std::string TrimTrailingBlanks(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(0, end);
}

TDigitsRead ReadDigits(const std::string& text, int base, int32_t& value) {
  if (text.empty()) return TDigitsRead::NotANumber;
  int64_t number = 0;
  bool tooLarge = false;
  for (char c : text) {
    const int digit = base == 16 ? HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0 || digit >= base) return TDigitsRead::NotANumber;
    // Once past the bound the rest is only checked for being digits.
    if (!tooLarge) number = number * base + digit;
    if (number > INT32_MAX) tooLarge = true;
  }
  if (tooLarge) return TDigitsRead::TooLarge;
  value = static_cast<int32_t>(number);
  return TDigitsRead::Number;
}

}  // namespace qvx
