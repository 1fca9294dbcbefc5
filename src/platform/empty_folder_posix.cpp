#include <unistd.h>

#include "platform/empty_folder.h"
#include "platform/posix_path.h"

namespace qvx {

bool RemoveEmptyFolder(const std::string& path) {
  return rmdir(ResolvePosixPath(path).c_str()) == 0;
}

}  // namespace qvx
