#pragma once
// Windows-1252, the 8-bit code page the POSIX back ends take for the system's ANSI code page.
// Decoding is one-to-one for all 256 bytes (the five unassigned bytes become U+0081, U+008D,
// U+008F, U+0090 and U+009D, as Windows does), so bytes survive a round trip through UTF-16.
// Encoding follows Windows' best-fit rules: a character without its own byte becomes a similar
// one (U+0100 'A' with macron becomes 'A'), or "?" when there is none.
#include <string>

namespace qvx {

char16_t Cp1252ToWideChar(unsigned char c);
unsigned char WideCharToCp1252(char16_t c);

std::u16string Cp1252ToWide(const std::string& text);
std::string WideToCp1252(const std::u16string& text);

}  // namespace qvx
