#include <windows.h>

#include <fstream>
#include <stdexcept>

#include "support/temp_folder.h"

namespace qvx {
namespace test {

void SetLastWriteTimeUtc(const std::string& path, int64_t secondsSince1970) {
  // FILETIME counts 100 ns steps from 1601; 1970 is 11644473600 seconds later.
  uint64_t ticks = static_cast<uint64_t>(secondsSince1970 + 11644473600LL) * 10000000ULL;
  FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  BOOL ok = SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
  if (!ok) throw std::runtime_error("SetFileTime failed: " + path);
}

void SetReadOnly(const std::string& path, bool readOnly) {
  if (!SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL))
    throw std::runtime_error("SetFileAttributes failed: " + path);
}

std::string MakeHiddenFile(const std::string& folder, const std::string& base) {
  std::ofstream(folder + base) << "hidden";
  SetFileAttributesA((folder + base).c_str(), FILE_ATTRIBUTE_HIDDEN);
  return base;
}

void ClearProxyEnvironment() {}

}  // namespace test
}  // namespace qvx
