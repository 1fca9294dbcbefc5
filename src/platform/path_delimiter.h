#pragma once
// The platform's path delimiter. Paths built by the program use "\"; away from Windows the file
// layer turns every "\" into "/" before it touches the disk, so both count as delimiters there.

#include <cstddef>
#include <string>

namespace qvx {

#ifdef _WIN32
constexpr char kPathDelimiter = '\\';
inline bool IsPathDelimiter(char c) { return c == '\\'; }
#else
constexpr char kPathDelimiter = '/';
inline bool IsPathDelimiter(char c) { return c == '\\' || c == '/'; }
#endif

// Index of the last delimiter of path (IsPathDelimiter, ":", and "/" as well when slashToo), or
// npos. The scan runs forward so that the second byte of a double-byte character (a "\" in code
// page 936) is never taken for one.
size_t LastPathDelimiter(const std::string& path, bool slashToo = false);

}  // namespace qvx
