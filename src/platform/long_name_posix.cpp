#include "platform/long_name.h"

namespace qvx {

// POSIX file systems keep one name per file.
std::string LongPathName(const std::string& path) { return path; }

}  // namespace qvx
