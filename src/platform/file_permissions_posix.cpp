#include <sys/stat.h>

#include "platform/file_permissions.h"
#include "platform/posix_path.h"

namespace qvx {

bool CopyFilePermissions(const std::string& model, const std::string& path) {
  struct stat st;
  if (stat(ResolvePosixPath(model).c_str(), &st) != 0) return false;
  return chmod(ResolvePosixPath(path).c_str(), st.st_mode & 07777) == 0;
}

}  // namespace qvx
