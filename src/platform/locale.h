#pragma once
// The user's locale settings that the text rules need.
#include <string>

namespace qvx {

struct TLocaleSeparators {
  char Date;
  char Time;
  char Decimal;
};

// The date, time and decimal separators of the user's default locale.
TLocaleSeparators UserLocaleSeparators();

// True when c begins a double-byte character in the ANSI code page.
bool IsAnsiLeadByte(unsigned char c);

}  // namespace qvx
