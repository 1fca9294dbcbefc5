#pragma once
// Removing a folder only when it is empty: the system refuses a folder that holds anything, so
// a file the user put there keeps its folder. Paths as in file_system.h.
#include <string>

namespace qvx {

// True when the folder was empty and is gone; false when it holds anything, is missing, or the
// system refuses.
bool RemoveEmptyFolder(const std::string& path);

}  // namespace qvx
