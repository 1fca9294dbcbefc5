#pragma once
// The platform's path delimiter. Paths built by the program use "\"; away from Windows the file
// layer turns every "\" into "/" before it touches the disk, so both count as delimiters there.

namespace qvx {

#ifdef _WIN32
constexpr char kPathDelimiter = '\\';
inline bool IsPathDelimiter(char c) { return c == '\\'; }
#else
constexpr char kPathDelimiter = '/';
inline bool IsPathDelimiter(char c) { return c == '\\' || c == '/'; }
#endif

}  // namespace qvx
