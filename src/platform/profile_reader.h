#pragma once
// Our own reader of INI files, for the platforms that have no private-profile functions. It is
// built to give, for the same bytes, what Windows' GetPrivateProfileStringA/W give (checked
// against Wine by the shared table test).
//
// The file: a UTF-16 byte-order mark (either order) or a UTF-8 one chooses that encoding;
// anything else is 8-bit Windows-1252. Lines end at every run of CR and LF. Blanks are the
// characters 9 to 13, 32 and 26 (^Z); each line is trimmed of them at both ends, and blank lines
// are ignored.
//   "[" ... "]" anything   a section; its name runs to the line's last "]" and is trimmed.
//   name "=" value          a key; name and value are trimmed around the first "=".
//   name                    a key without value: found by a lookup, which then gives the
//                           default, but never listed.
// Lines before the first section form a section with the empty name. A line that begins with ";"
// is an ordinary key for lookups but is never listed. Only the first section of a name counts,
// and within it the first key of a name. Names match with A-Z folded and nothing else.
// A value in matching quotes (" or ') loses them.
#include <cstdint>
#include <string>
#include <vector>

namespace qvx {

class TProfileText {
 public:
  explicit TProfileText(const std::string& fileBytes);

  // GetPrivateProfileStringW's contract for this text (section not null).
  uint32_t GetString(const char16_t* section, const char16_t* key, const char16_t* def,
                     char16_t* buffer, uint32_t size) const;
  // GetPrivateProfileStringA's: arguments and result in Windows-1252.
  uint32_t GetStringA(const char* section, const char* key, const char* def, char* buffer,
                      uint32_t size) const;

 private:
  struct TKey {
    std::u16string Name;
    bool HasValue;
    std::u16string Value;
  };
  struct TSection {
    std::u16string Name;
    std::vector<TKey> Keys;
  };

  void ParseLine(std::u16string line);
  const TKey* Find(const std::u16string& section, const std::u16string& key) const;
  uint32_t ListKeys(const std::u16string& section, char16_t* buffer, uint32_t size) const;

  std::vector<TSection> FSections;
};

}  // namespace qvx
