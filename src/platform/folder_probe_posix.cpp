#include <stdlib.h>
#include <unistd.h>

#include "platform/folder_probe.h"
#include "platform/posix_path.h"

namespace qvx {

bool FolderAcceptsNewFiles(const std::string& folder) {
  std::string path = ResolvePosixPath(folder);
  if (path.empty() || path.back() != '/') path += '/';
  // A leading "." keeps the probe out of folder searches for the moment it exists; the name is
  // one the leftover sweep removes, so a run killed before the unlink leaves nothing for good.
  static const char kSuffix[] = ".qvxnew";
  path += ".qvxupdate-probe.XXXXXX";
  path += kSuffix;
  const int fd = mkstemps(&path[0], static_cast<int>(sizeof kSuffix - 1));
  if (fd < 0) return false;
  close(fd);
  unlink(path.c_str());
  return true;
}

}  // namespace qvx
