#include "platform/file_permissions.h"

namespace qvx {

bool CopyFilePermissions(const std::string&, const std::string&) { return true; }

}  // namespace qvx
