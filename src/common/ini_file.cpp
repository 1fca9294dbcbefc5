#include "common/ini_file.h"

#include <algorithm>
#include <vector>

#include "common/integer_rule.h"
#include "platform/profile.h"

namespace qvx {

namespace {
// One value is read into a buffer of this many characters, so at most one less comes back.
constexpr uint32_t kValueBuffer = 2048;
// The key names of a section are listed into a buffer of this size; keys beyond it are not seen.
constexpr uint32_t kNameListBuffer = 16384;
}  // namespace

TIniFile::TIniFile(std::string path) : FFileName(std::move(path)) {}

TIniFile::~TIniFile() { FlushProfile(FFileName); }

std::string TIniFile::ReadText(const std::string& section, const std::string& key,
                               const std::string& def) const {
  char buffer[kValueBuffer];
  uint32_t n = ReadProfileString(section.c_str(), key.c_str(), def.c_str(), buffer, kValueBuffer,
                                 FFileName);
  return std::string(buffer, std::min(n, kValueBuffer - 1));
}

int32_t TIniFile::ReadInt(const std::string& section, const std::string& key, int32_t def) const {
  return TextToInt32Def(ReadText(section, key, ""), def);
}

void TIniFile::ReadSectionPairs(const std::string& section, TStringList& target) const {
  std::vector<char> names(kNameListBuffer, '\0');
  uint32_t n = ReadProfileString(section.c_str(), nullptr, "", names.data(), kNameListBuffer,
                                 FFileName);
  n = std::min(n, kNameListBuffer - 1);
  target.Clear();
  // Names follow one another, each ended by a NUL; an empty name ends the list.
  size_t pos = 0;
  while (pos < n) {
    size_t end = pos;
    while (end < n && names[end] != '\0') ++end;
    if (end == pos) break;
    const std::string name(names.data() + pos, end - pos);
    target.Add(name + "=" + ReadText(section, name, ""));
    pos = end + 1;
  }
}

TWideIniFile::TWideIniFile(std::u16string path) : FFileName(std::move(path)) {}

TWideIniFile::~TWideIniFile() { FlushProfileW(FFileName); }

std::u16string TWideIniFile::ReadWideText(const std::u16string& section, const std::u16string& key,
                                          const std::u16string& def) const {
  char16_t buffer[kValueBuffer];
  buffer[0] = u'\0';
  ReadProfileStringW(section.c_str(), key.c_str(), def.c_str(), buffer, kValueBuffer, FFileName);
  buffer[kValueBuffer - 1] = u'\0';
  return std::u16string(buffer);
}

}  // namespace qvx
