#include <windows.h>

#include "platform/free_space.h"

namespace qvx {

bool FreeSpaceOfFolder(const std::string& folder, uint64_t& bytes) {
  // The first number is what this user may fill (quotas taken off), not the volume's total free.
  ULARGE_INTEGER available;
  std::string path = folder;
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  if (!GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr)) return false;
  bytes = available.QuadPart;
  return true;
}

}  // namespace qvx
