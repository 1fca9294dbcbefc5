#pragma once
// Conversion between UTF-8 and Windows-1252, the 8-bit code page the update list is written in
// when the publisher runs outside Windows.
#include <string>

namespace qvx {

// False when the text is no valid UTF-8 or holds a character that Windows-1252 cannot hold.
// The C1 controls (U+0080..U+009F) count as not held: Windows maps the five unassigned bytes to
// them, but no file name should carry one.
bool Utf8ToCp1252(const std::string& utf8, std::string& out);
std::string Cp1252ToUtf8(const std::string& text);

}  // namespace qvx
