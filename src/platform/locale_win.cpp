#include "platform/locale.h"

#include <windows.h>

namespace qvx {

namespace {
// Only the first character of the locale's setting counts; a missing setting keeps the default.
char LocaleChar(LCTYPE type, char def) {
  char buffer[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer) > 0 && buffer[0] != '\0')
    return buffer[0];
  return def;
}
}  // namespace

TLocaleSeparators UserLocaleSeparators() {
  return {LocaleChar(LOCALE_SDATE, '/'), LocaleChar(LOCALE_STIME, ':'),
          LocaleChar(LOCALE_SDECIMAL, '.')};
}

bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != 0; }

}  // namespace qvx
