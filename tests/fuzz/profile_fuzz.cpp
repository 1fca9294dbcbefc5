// Our INI reader (the stand-in for the platform's private-profile functions away from Windows)
// on arbitrary file bytes: lookups and key listings with buffers of every size never write past
// the buffer, always leave a NUL-terminated result within it, and report what they copied; the
// 8-bit and the wide reading agree on what they find. Then TIniFile over the same bytes.
//
// Input: buffer size byte, then section FF key FF default FF file bytes.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <string>

#include "common/ini_file.h"
#include "common/string_list.h"
#include "fuzz_support.h"
#include "platform/profile_reader.h"

namespace {

// An exact-size heap buffer, so AddressSanitizer sees a write one past its end.
template <class C>
void CheckCall(uint32_t size, const std::function<uint32_t(C*, uint32_t)>& call, bool listing) {
  std::unique_ptr<C[]> buffer(new C[size]);
  for (uint32_t i = 0; i < size; ++i) buffer[i] = C('#');
  const uint32_t n = call(buffer.get(), size);
  FUZZ_CHECK(n < size);
  FUZZ_CHECK(buffer[n] == C(0));
  // A value is one C string; a listing holds NUL-separated names (or, when empty, the default).
  if (!listing)
    for (uint32_t i = 0; i < n; ++i) FUZZ_CHECK(buffer[i] != C(0));
}

std::u16string Widen(const std::string& s) {
  std::u16string w;
  for (unsigned char c : s) w.push_back(c);  // ASCII names only are compared across forms
  return w;
}

bool Ascii(const std::string& s) {
  for (unsigned char c : s)
    if (c == 0 || c >= 128) return false;
  return true;
}

std::string FilePath() {
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("qvx-fuzz-profile-" + std::to_string(::getpid()) + ".ini")).string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvx::fuzz::FuzzInput in(data, size);
  const uint32_t bufferSize = 1 + in.Byte() % 40;
  const std::string section = in.Field(), key = in.Field(), def = in.Field();
  const std::string bytes = in.Rest();
  const qvx::TProfileText profile(bytes);

  CheckCall<char>(bufferSize, [&](char* b, uint32_t n) {
    return profile.GetStringA(section.c_str(), key.c_str(), def.c_str(), b, n);
  }, false);
  CheckCall<char>(bufferSize, [&](char* b, uint32_t n) {
    return profile.GetStringA(section.c_str(), nullptr, def.c_str(), b, n);
  }, true);
  const std::u16string wsection = Widen(section), wkey = Widen(key), wdef = Widen(def);
  CheckCall<char16_t>(bufferSize, [&](char16_t* b, uint32_t n) {
    return profile.GetString(wsection.c_str(), wkey.c_str(), wdef.c_str(), b, n);
  }, false);
  CheckCall<char16_t>(bufferSize, [&](char16_t* b, uint32_t n) {
    return profile.GetString(wsection.c_str(), nullptr, wdef.c_str(), b, n);
  }, true);

  // With ASCII names and a plain 8-bit file, both forms find the same value.
  if (Ascii(section) && Ascii(key) && Ascii(def) && Ascii(bytes)) {
    char a[64];
    char16_t w[64];
    const uint32_t na = profile.GetStringA(section.c_str(), key.c_str(), def.c_str(), a, 64);
    const uint32_t nw = profile.GetString(wsection.c_str(), wkey.c_str(), wdef.c_str(), w, 64);
    FUZZ_CHECK(na == nw);
    for (uint32_t i = 0; i < na; ++i) FUZZ_CHECK(char16_t(static_cast<unsigned char>(a[i])) == w[i]);
  }

  // The INI reader over a file with these bytes: values within their bound, one line per key.
  std::ofstream(FilePath(), std::ios::binary) << bytes;
  qvx::TIniFile ini(FilePath());
  FUZZ_CHECK(ini.ReadText(section, key, def).size() <= 2047);
  qvx::TStringList pairs;
  pairs.Add("stale");
  ini.ReadSectionPairs(section, pairs);
  for (int i = 0; i < pairs.Count(); ++i) FUZZ_CHECK(!pairs.NameAt(i).empty());
  return 0;
}
