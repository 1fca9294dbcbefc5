#pragma once
// Text rules of the HTTP client. The text before or after the first occurrence of a separator
// is the whole text when the separator does not occur.
#include <cstdint>
#include <string>

namespace qvx {

std::string TextBefore(const std::string& text, const std::string& separator);
std::string TextAfter(const std::string& text, const std::string& separator);
// Drops trailing bytes of value 32 or less.
std::string TrimTrailingBlanks(const std::string& text);

// Numbers in a response (status code, Content-Length, chunk size) are digits of one base and
// nothing else: no sign, no blanks, no "$" or "0x". Leading zeros are allowed.
enum class TDigitsRead { Number, NotANumber, TooLarge };
// base is 10 or 16; value is set for Number only; TooLarge: beyond 2^31 - 1.
TDigitsRead ReadDigits(const std::string& text, int base, int32_t& value);

}  // namespace qvx
