#include "base/cp1252.h"
#include "platform/code_page.h"

namespace qvx {

// Away from Windows there is no ANSI code page to ask; the 8-bit text of the system's files is
// taken as Windows-1252.
std::u16string AnsiToWide(const std::string& text) { return Cp1252ToWide(text); }

std::string WideToAnsi(const std::u16string& text) { return WideToCp1252(text); }

}  // namespace qvx
