#pragma once
// How much a folder's volume can still take: the space new files of this user may fill there,
// with quotas and the blocks a file system keeps back for its administrator already taken off.
#include <cstdint>
#include <string>

namespace qvx {

// folder is a path the Windows way (ends with its delimiter or not). False when the platform
// cannot tell (the folder is missing, say); bytes is then untouched.
bool FreeSpaceOfFolder(const std::string& folder, uint64_t& bytes);

}  // namespace qvx
