#pragma once
// The one letter-case rule of the system: only a-z and A-Z change; every other byte, including
// the letters of the code page above 127, stays as it is. Names of files, keys, properties and
// protocol words are compared by this rule.
#include <string>

namespace qvx {

inline char UpperAsciiChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
inline char LowerAsciiChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string UpperAscii(std::string text);
std::string LowerAscii(std::string text);
// Same length and same bytes once a-z of both are mapped to A-Z.
bool EqualTextIgnoreCase(const std::string& a, const std::string& b);

}  // namespace qvx
