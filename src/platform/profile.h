#pragma once
// The private-profile (INI) reading seam. Each call has the contract of the Windows function it
// stands for: GetPrivateProfileStringA/W copy the key's value, or the default, into buffer (size
// counted in characters), cut to size - 1 characters, and return the count copied. A null key
// lists the section's key names instead, each ended by a NUL and the list by one more. section
// must not be null. A missing file reads as an empty one.
#include <cstdint>
#include <string>

namespace qvx {

uint32_t ReadProfileString(const char* section, const char* key, const char* def, char* buffer,
                           uint32_t size, const std::string& path);
uint32_t ReadProfileStringW(const char16_t* section, const char16_t* key, const char16_t* def,
                            char16_t* buffer, uint32_t size, const std::u16string& path);

// The flush call (WritePrivateProfileString with only the path): writes nothing into the file,
// and lets the platform forget what it keeps of it.
void FlushProfile(const std::string& path);
void FlushProfileW(const std::u16string& path);

}  // namespace qvx
