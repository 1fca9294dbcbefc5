#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "base/ascii_case.h"
#include "platform/posix_path.h"

namespace qvx {

namespace {
bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The entry of folder whose name equals name apart from letter case; empty when none does.
// An exact match wins over one that differs only in case.
std::string FindEntryIgnoringCase(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::string();
  std::string found;
  while (dirent* entry = readdir(dir)) {
    std::string candidate = entry->d_name;
    if (candidate == name) {
      found = candidate;
      break;
    }
    if (found.empty() && SameNameIgnoringCase(candidate, name)) found = candidate;
  }
  closedir(dir);
  return found;
}
}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return EqualTextIgnoreCase(a, b);
}

std::string ResolvePosixPath(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  if (p.empty() || Exists(p)) return p;

  std::string resolved = p[0] == '/' ? "/" : "";
  size_t pos = 0;
  while (pos < p.size()) {
    size_t end = p.find('/', pos);
    if (end == std::string::npos) end = p.size();
    std::string component = p.substr(pos, end - pos);
    pos = end + 1;
    if (component.empty()) continue;
    std::string exact = Join(resolved, component);
    if (component == "." || component == ".." || Exists(exact)) {
      resolved = exact;
      continue;
    }
    std::string match = FindEntryIgnoringCase(resolved, component);
    if (match.empty()) {
      // Nothing further can exist below a missing component: keep the rest as written.
      resolved = exact;
      if (pos < p.size()) resolved = Join(resolved, p.substr(pos));
      return resolved;
    }
    resolved = Join(resolved, match);
  }
  if (p.back() == '/' && resolved.back() != '/') resolved += '/';
  return resolved;
}

}  // namespace qvx
