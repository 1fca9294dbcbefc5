#include "qvxpublish/entry_rules.h"

#include "base/ascii_case.h"
#include "common/list_name_rules.h"
#include "common/text_utils.h"

namespace qvx {

const char* const kUpdaterFileName = "qvxupdate.exe";

namespace {

bool HasControlByte(const std::string& text) {
  for (unsigned char c : text)
    if (c < 32 || c == 127) return true;
  return false;
}

bool IsDeviceName(const std::string& name) {
  // Windows opens the device for these names whatever extension follows.
  std::string base = UpperAscii(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$")
    return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

std::string FileNamePart(const std::string& entry) {
  const size_t cut = entry.find_last_of("\\:");
  return cut == std::string::npos ? entry : entry.substr(cut + 1);
}

}  // namespace

std::string WhyNameRefused(const std::string& name) {
  if (name.empty()) return "its name is empty";
  if (name.find('=') != std::string::npos) return "its name holds \"=\", which the list cannot carry";
  if (HasControlByte(name)) return "its name holds a line break or another control character";
  const std::string reserved = "<>:\"/\\|?*";
  for (char c : name)
    if (reserved.find(c) != std::string::npos)
      return std::string("its name holds \"") + c + "\", which Windows file names cannot hold";
  if (name.front() == ' ' || name.back() == ' ' || name.back() == '.')
    return "its name begins or ends with a blank or ends with a dot, which Windows drops";
  if (IsDeviceName(name)) return "its name is a Windows device name";
  return std::string();
}

std::string WhyEntryRefused(const std::string& entry) {
  if (entry.empty()) return "the entry is empty";
  if (HasControlByte(entry)) return "the entry holds a line break or another control character";
  if (TrimBlanks(entry) != entry) return "the entry begins or ends with a blank, which the updater trims";
  if (entry.find(':') != std::string::npos)
    return "the path holds \":\": the updater would fetch and write different files";
  if (IsUnsafeRelativeName(entry))
    return "the path is unsafe: the updater would write outside the installation folder";
  if (entry.find('/') != std::string::npos)
    return "the path holds \"/\": the list separates folders with \"\\\"";
  const std::string name = FileNamePart(entry);
  if (name.empty()) return "the entry names a folder, not a file";
  for (char c : std::string(" %#?"))
    if (name.find(c) != std::string::npos)
      return std::string("the file name holds \"") + c +
             "\": the updater sends it unencoded in the request line, so web servers would not find it";
  // A publication knows no installation, so no tool path: only the name rule applies.
  if (IsToolFile(entry, std::string()) && entry != "qvxtool.exe")
    return "the updater would save this file over the tool's executable qvxtool.exe";
  return std::string();
}

std::string WhyUpdaterSkips(const std::string& entry) {
  const std::string fileName = FileNamePart(entry);
  if (IsKeptDataFile(fileName)) return "the updater never replaces this data file";
  if (EqualTextIgnoreCase(fileName, kUpdaterFileName) && fileName != entry)
    return "the updater fetches a file of its own name only into the installation folder itself";
  return std::string();
}

bool MatchesPattern(const std::string& text, const std::string& pattern) {
  // Iterative matcher with one backtrack point: linear enough for names and paths.
  size_t t = 0, p = 0, starP = std::string::npos, starT = 0;
  const auto same = [](char a, char b) {
    return EqualTextIgnoreCase(std::string(1, a), std::string(1, b));
  };
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], text[t])))) {
      ++t, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++, starT = t;
    } else if (starP != std::string::npos) {
      p = starP + 1, t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string FoldedName(const std::string& name) { return UpperAscii(name); }

}  // namespace qvx
