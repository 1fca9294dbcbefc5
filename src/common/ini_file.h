#pragma once
// Read-only INI readers bound to one path. They hold no copy of the file: every read asks the
// platform's profile reader, and a missing file simply gives the defaults.
#include <cstdint>
#include <memory>
#include <string>

#include "common/string_list.h"

namespace qvx {

class TIniFile {
 public:
  explicit TIniFile(std::string path);
  ~TIniFile();  // one flush call to the platform; the file does not change
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return FFileName; }
  std::string ReadText(const std::string& section, const std::string& key,
                       const std::string& def) const;  // at most 2047 characters
  int32_t ReadInt(const std::string& section, const std::string& key, int32_t def) const;
  void ReadSectionPairs(const std::string& section, TStringList& target) const;

 private:
  std::string FFileName;
};

class TWideIniFile {
 public:
  explicit TWideIniFile(std::u16string path);
  ~TWideIniFile();
  TWideIniFile(const TWideIniFile&) = delete;
  TWideIniFile& operator=(const TWideIniFile&) = delete;

  std::u16string ReadWideText(const std::u16string& section, const std::u16string& key,
                              const std::u16string& def) const;  // at most 2047 characters

 private:
  std::u16string FFileName;
};

}  // namespace qvx
