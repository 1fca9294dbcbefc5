#include <windows.h>

#include "platform/empty_folder.h"

namespace qvx {

bool RemoveEmptyFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

}  // namespace qvx
