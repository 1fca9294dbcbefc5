#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "base/ascii_case.h"
#include "platform/file_search.h"
#include "platform/posix_path.h"

namespace qvx {

namespace {

// "*" matches any run of characters, "?" exactly one; "*.*" matches every name, as on Windows.
bool MatchesPattern(const std::string& name, const std::string& pattern) {
  if (pattern == "*.*") return true;
  size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || UpperAsciiChar(pattern[p]) == UpperAsciiChar(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Seconds to add to a UTC time to get local time, by the offset in force now (as Windows
// converts file times), not the offset at the file's own time.
long CurrentUtcOffset() {
  time_t now = time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local)) return 0;
  return local.tm_gmtoff;
}

void SetLocalTime(TFolderEntry& entry, time_t utc, long offset) {
  time_t shifted = utc + offset;
  struct tm fields;
  if (!gmtime_r(&shifted, &fields)) return;
  int year = fields.tm_year + 1900;
  if (year < 1980 || year > 2107) return;
  entry.HasLocalTime = true;
  entry.Year = static_cast<uint16_t>(year);
  entry.Month = static_cast<uint16_t>(fields.tm_mon + 1);
  entry.Day = static_cast<uint16_t>(fields.tm_mday);
  entry.Hour = static_cast<uint16_t>(fields.tm_hour);
  entry.Minute = static_cast<uint16_t>(fields.tm_min);
  entry.Second = static_cast<uint16_t>(fields.tm_sec & ~1);
}

// Windows attributes for a POSIX entry: names beginning with "." count as hidden, and a file
// the process may not write as read-only. Nothing is a system file or a volume label.
uint32_t AttributesOf(const std::string& name, const std::string& full, const struct stat& st) {
  uint32_t attributes = S_ISDIR(st.st_mode) ? kFileAttrDirectory : kFileAttrArchive;
  if (!name.empty() && name[0] == '.') attributes |= kFileAttrHidden;
  if ((st.st_mode & 0222) == 0 || access(full.c_str(), W_OK) != 0) attributes |= kFileAttrReadOnly;
  return attributes;
}
}  // namespace

std::vector<TFolderEntry> SearchFolder(const std::string& pattern, bool firstOnly) {
  std::vector<TFolderEntry> entries;
  std::string p = pattern;
  std::replace(p.begin(), p.end(), '\\', '/');
  size_t cut = p.rfind('/');
  std::string folder = cut == std::string::npos ? "." : p.substr(0, cut + 1);
  std::string namePattern = cut == std::string::npos ? p : p.substr(cut + 1);
  if (namePattern.empty()) return entries;
  const long offset = CurrentUtcOffset();
  auto add = [&](const std::string& name, const std::string& full) {
    struct stat st;
    if (stat(full.c_str(), &st) != 0) return;  // a dangling link, or gone meanwhile
    TFolderEntry entry;
    entry.Name = name;
    entry.Attributes = AttributesOf(name, full, st);
    entry.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    SetLocalTime(entry, st.st_mtime, offset);
    entries.push_back(std::move(entry));
  };

  // A plain name is looked up, not searched for: a folder of many files is not read whole for
  // each of them (the update run asks for every listed file in turn).
  if (namePattern.find_first_of("*?") == std::string::npos) {
    if (namePattern == "." || namePattern == "..") return entries;
    const std::string inFolder = cut == std::string::npos ? std::string() : folder;
    const std::string full = ResolvePosixPath(inFolder + namePattern);
    add(full.substr(full.rfind('/') + 1), full);
    return entries;
  }

  folder = ResolvePosixPath(folder);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return entries;
  while (dirent* d = readdir(dir)) {
    std::string name = d->d_name;
    if (name == "." || name == ".." || !MatchesPattern(name, namePattern)) continue;
    add(name, folder.back() == '/' ? folder + name : folder + "/" + name);
    if (firstOnly && !entries.empty()) break;
  }
  closedir(dir);
  return entries;
}

}  // namespace qvx
