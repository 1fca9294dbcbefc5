#include "platform/profile_reader.h"

#include <algorithm>

#include "base/ascii_case.h"
#include "base/cp1252.h"

namespace qvx {

namespace {

bool IsProfileBlank(char16_t c) { return (c >= 9 && c <= 13) || c == 32 || c == 26; }

std::u16string Trim(const std::u16string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsProfileBlank(s[b])) ++b;
  while (e > b && IsProfileBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// The system's one letter-case rule, on UTF-16 units: only a-z change.
char16_t FoldAscii(char16_t c) {
  return c < 0x80 ? static_cast<char16_t>(UpperAsciiChar(static_cast<char>(c))) : c;
}

bool SameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

// Names and values behave as C strings: whatever follows a NUL is not seen.
std::u16string UpToNul(const std::u16string& s) { return s.substr(0, s.find(u'\0')); }

std::u16string FromPointer(const char16_t* p) {
  std::u16string s;
  if (p)
    while (*p) s.push_back(*p++);
  return s;
}

size_t Length(const char16_t* p) {
  size_t n = 0;
  while (p[n]) ++n;
  return n;
}

// Copies at most size - 1 characters and a NUL (size > 0).
void CopyCut(char16_t* buffer, const std::u16string& text, uint32_t size) {
  size_t n = std::min<size_t>(text.size(), size - 1);
  text.copy(buffer, n);
  buffer[n] = u'\0';
}

// A value (or default) in matching quotes loses them. When the value is cut, what is cut is
// the unquoted text with its closing quote, and the last character copied is dropped only if
// everything but at most that quote fitted; Windows does it this way, so we do too.
void CopyEntry(char16_t* buffer, const std::u16string& value, uint32_t size) {
  std::u16string text = value;
  bool quoted = false;
  if (text.size() >= 2 && (text[0] == u'"' || text[0] == u'\'') && text.back() == text[0]) {
    quoted = true;
    text.erase(0, 1);
  }
  CopyCut(buffer, text, size);
  if (quoted && size >= text.size()) {
    size_t n = Length(buffer);
    if (n > 0) buffer[n - 1] = u'\0';
  }
}

// Invalid UTF-8 becomes U+FFFD, one for each maximal run of bytes that could begin a valid
// sequence (the Unicode rule Windows follows).
std::u16string DecodeUtf8(const std::string& bytes, size_t start) {
  std::u16string out;
  size_t i = start;
  const size_t n = bytes.size();
  auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  while (i < n) {
    unsigned char c = at(i);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int extra = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the range allowed for the second byte
    uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    size_t k = 1;
    for (; k <= static_cast<size_t>(extra) && i + k < n; ++k) {
      unsigned char cc = at(i + k);
      if (k == 1 ? (cc < lo || cc > hi) : (cc & 0xC0) != 0x80) break;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (k <= static_cast<size_t>(extra)) {
      out.push_back(0xFFFD);
      i += k;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::u16string DecodeFile(const std::string& bytes) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF))) {
    const bool little = at(0) == 0xFF;
    std::u16string out;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      out.push_back(little ? static_cast<char16_t>(at(i) | (at(i + 1) << 8))
                           : static_cast<char16_t>((at(i) << 8) | at(i + 1)));
    return out;
  }
  if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF)
    return DecodeUtf8(bytes, 3);
  return Cp1252ToWide(bytes);
}

}  // namespace

TProfileText::TProfileText(const std::string& fileBytes) {
  FSections.push_back({u"", {}});
  const std::u16string text = DecodeFile(fileBytes);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    ParseLine(Trim(text.substr(pos, end - pos)));
    while (end < text.size() && (text[end] == u'\r' || text[end] == u'\n')) ++end;
    pos = end;
  }
}

void TProfileText::ParseLine(std::u16string line) {
  if (line.empty()) return;
  if (line[0] == u'[') {
    size_t close = line.rfind(u']');
    if (close != std::u16string::npos && close > 0) {
      FSections.push_back({UpToNul(Trim(line.substr(1, close - 1))), {}});
      return;
    }
  }
  std::vector<TKey>& keys = FSections.back().Keys;
  TKey key{line, false, std::u16string()};
  size_t eq = line.find(u'=');
  if (eq != std::u16string::npos) {
    key.Name = Trim(line.substr(0, eq));
    key.HasValue = true;
    key.Value = UpToNul(Trim(line.substr(eq + 1)));
  }
  key.Name = UpToNul(key.Name);
  // Of several keys in a row without a name, only the first is kept.
  if (key.Name.empty() && !keys.empty() && keys.back().Name.empty()) return;
  keys.push_back(std::move(key));
}

const TProfileText::TKey* TProfileText::Find(const std::u16string& section,
                                             const std::u16string& key) const {
  const std::u16string s = Trim(section), k = Trim(key);
  for (const TSection& sec : FSections) {
    if (!SameName(sec.Name, s)) continue;
    for (const TKey& entry : sec.Keys)
      if (SameName(entry.Name, k)) return &entry;
    return nullptr;
  }
  return nullptr;
}

// The names of the section's keys, each NUL-ended, the list ended by one more NUL. When they do
// not fit, the list is cut, its last name shortened, and the count is size - 2.
uint32_t TProfileText::ListKeys(const std::u16string& section, char16_t* buffer,
                                uint32_t size) const {
  buffer[0] = u'\0';
  // A buffer of one character has room for no list at all, not even a cut one.
  if (size < 2) return 0;
  for (const TSection& sec : FSections) {
    if (!SameName(sec.Name, section)) continue;
    uint32_t left = size;
    char16_t* out = buffer;
    for (const TKey& key : sec.Keys) {
      if (left <= 2) break;
      if (!key.HasValue || (!key.Name.empty() && key.Name[0] == u';')) continue;
      CopyCut(out, key.Name, left - 1);
      size_t n = Length(out) + 1;
      left -= static_cast<uint32_t>(n);
      out += n;
      if (left < 2) break;
    }
    *out = u'\0';
    if (left <= 1) {
      out[-1] = u'\0';
      return size - 2;
    }
    return size - left;
  }
  return 0;
}

uint32_t TProfileText::GetString(const char16_t* section, const char16_t* key,
                                 const char16_t* def, char16_t* buffer, uint32_t size) const {
  if (!buffer || size == 0 || !section) return 0;
  // Trailing blanks (spaces only) of the default go, though never its first character.
  std::u16string fallback = FromPointer(def);
  while (fallback.size() > 1 && fallback.back() == u' ') fallback.pop_back();

  if (key) {
    const TKey* found = Find(FromPointer(section), FromPointer(key));
    CopyEntry(buffer, found && found->HasValue ? found->Value : fallback, size);
    return static_cast<uint32_t>(Length(buffer));
  }
  uint32_t count = ListKeys(FromPointer(section), buffer, size);
  // A list that starts with an empty name reads as no list at all.
  if (buffer[0] == u'\0') {
    CopyEntry(buffer, fallback, size);
    count = static_cast<uint32_t>(Length(buffer));
  }
  return count;
}

uint32_t TProfileText::GetStringA(const char* section, const char* key, const char* def,
                                  char* buffer, uint32_t size) const {
  if (!buffer || size == 0 || !section) return 0;
  auto wide = [](const char* p) { return Cp1252ToWide(p ? std::string(p) : std::string()); };
  const std::u16string s = wide(section), k = wide(key), d = wide(def);
  std::u16string result(size, u'\0');
  uint32_t count = GetString(s.c_str(), key ? k.c_str() : nullptr, def ? d.c_str() : nullptr,
                             &result[0], size);
  // Only the characters counted are converted; a cut list therefore ends in a single NUL.
  std::string bytes = WideToCp1252(result.substr(0, count));
  if (bytes.size() > size - 1) bytes.resize(size - 1);
  bytes.copy(buffer, bytes.size());
  buffer[bytes.size()] = '\0';
  return static_cast<uint32_t>(bytes.size());
}

}  // namespace qvx
