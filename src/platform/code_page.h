#pragma once
// Conversions between the system's 8-bit ANSI code page and UTF-16.
#include <string>

namespace qvx {

std::u16string AnsiToWide(const std::string& text);
// Characters the code page lacks become a similar character or "?", as Windows writes them.
std::string WideToAnsi(const std::u16string& text);

}  // namespace qvx
