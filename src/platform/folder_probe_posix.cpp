#include <stdlib.h>
#include <unistd.h>

#include "platform/folder_probe.h"
#include "platform/posix_path.h"

namespace qvx {

bool FolderAcceptsNewFiles(const std::string& folder) {
  std::string path = ResolvePosixPath(folder);
  if (path.empty() || path.back() != '/') path += '/';
  // A leading "." keeps the probe out of folder searches for the moment it exists.
  path += ".qvxupdate-probe.XXXXXX";
  const int fd = mkstemp(&path[0]);
  if (fd < 0) return false;
  close(fd);
  unlink(path.c_str());
  return true;
}

}  // namespace qvx
