#include <windows.h>

#include "platform/profile.h"

namespace qvx {

namespace {
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
}  // namespace

uint32_t ReadProfileString(const char* section, const char* key, const char* def, char* buffer,
                           uint32_t size, const std::string& path) {
  return GetPrivateProfileStringA(section, key, def, buffer, size, path.c_str());
}

uint32_t ReadProfileStringW(const char16_t* section, const char16_t* key, const char16_t* def,
                            char16_t* buffer, uint32_t size, const std::u16string& path) {
  return GetPrivateProfileStringW(Wide(section), Wide(key), Wide(def),
                                  reinterpret_cast<wchar_t*>(buffer), size, Wide(path.c_str()));
}

void FlushProfile(const std::string& path) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

void FlushProfileW(const std::u16string& path) {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, Wide(path.c_str()));
}

}  // namespace qvx
