#include "common/list_name_rules.h"

#include "base/ascii_case.h"
#include "common/path_names.h"

namespace qvx {

bool IsKeptDataFile(const std::string& fileName) {
  // Decided on the name as Windows resolves it: the part after the last separator of either
  // kind, without the trailing dots and blanks that Windows drops ("data/remote.db. " is
  // remote.db).
  const size_t cut = fileName.find_last_of("\\/");
  std::string name = cut == std::string::npos ? fileName : fileName.substr(cut + 1);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return EqualTextIgnoreCase(name, "keysData.rif") || EqualTextIgnoreCase(name, "remote.db");
}

// Absolute (a drive, a leading "\" or "/", a UNC path), naming a stream or drive with ":", or
// climbing with a ".." segment (Windows drops trailing dots and blanks of a segment, so "..."
// and ".. " climb as well).
bool IsUnsafeRelativeName(const std::string& name) {
  if (name.empty()) return false;
  if (name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos) return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    std::string segment = name.substr(start, end - start);
    if (segment.find("..") != std::string::npos &&
        segment.find_first_not_of(". ") == std::string::npos) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

// An entry that merely mentions the tool (its help file, say) is an ordinary file: writing it
// over the executable would break the tool.
bool IsToolFile(const std::string& name, const std::string& toolExePath) {
  if (!toolExePath.empty() && EqualTextIgnoreCase(NameOfPath(toolExePath), name)) return true;
  if (name.find("qvxtool") == std::string::npos) return false;
  const std::string file = NameOfPath(name);
  return file.size() >= 4 && EqualTextIgnoreCase(file.substr(file.size() - 4), ".exe");
}

}  // namespace qvx
