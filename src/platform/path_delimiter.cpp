#include "platform/path_delimiter.h"

#include "platform/locale.h"

namespace qvx {

size_t LastPathDelimiter(const std::string& path, bool slashToo) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsAnsiLeadByte(c)) {
      ++i;
      continue;
    }
    if (c == ':' || IsPathDelimiter(static_cast<char>(c)) || (slashToo && c == '/')) last = i;
  }
  return last;
}

}  // namespace qvx
