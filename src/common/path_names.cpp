#include "common/path_names.h"

#include "platform/locale.h"
#include "platform/path_delimiter.h"

namespace qvx {

namespace {
// Index of the last "\" or ":" (and "/" away from Windows), or npos. The scan runs forward so
// that the second byte of a double-byte character is never taken for a delimiter.
size_t LastDelimiter(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsAnsiLeadByte(c)) {
      ++i;
      continue;
    }
    if (c == ':' || IsPathDelimiter(static_cast<char>(c))) last = i;
  }
  return last;
}
}  // namespace

std::string FolderOfPath(const std::string& path) {
  size_t i = LastDelimiter(path);
  return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string NameOfPath(const std::string& path) {
  size_t i = LastDelimiter(path);
  return i == std::string::npos ? path : path.substr(i + 1);
}

}  // namespace qvx
