#include <sys/statvfs.h>

#include "platform/free_space.h"
#include "platform/posix_path.h"

namespace qvx {

bool FreeSpaceOfFolder(const std::string& folder, uint64_t& bytes) {
  struct statvfs st;
  if (statvfs(ResolvePosixPath(folder).c_str(), &st) != 0) return false;
  // f_bavail, not f_bfree: the blocks kept back for root are no space for an unprivileged user.
  bytes = static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
  return true;
}

}  // namespace qvx
