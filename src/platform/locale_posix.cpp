#include "platform/locale.h"

namespace qvx {

// Away from Windows there is no user locale to ask: the separators are fixed to "-", ":" and
// ".", and the 8-bit code page (Windows-1252) has no double-byte characters.
TLocaleSeparators UserLocaleSeparators() { return {'-', ':', '.'}; }

bool IsAnsiLeadByte(unsigned char) { return false; }

}  // namespace qvx
