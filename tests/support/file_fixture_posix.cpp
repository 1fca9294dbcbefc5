#include <stdlib.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <fstream>
#include <stdexcept>

#include "support/temp_folder.h"

namespace qvx {
namespace test {

void SetLastWriteTimeUtc(const std::string& path, int64_t secondsSince1970) {
  struct timeval times[2] = {{static_cast<time_t>(secondsSince1970), 0},
                             {static_cast<time_t>(secondsSince1970), 0}};
  if (utimes(path.c_str(), times) != 0) throw std::runtime_error("utimes failed: " + path);
}

void SetReadOnly(const std::string& path, bool readOnly) {
  if (chmod(path.c_str(), readOnly ? 0444 : 0644) != 0)
    throw std::runtime_error("chmod failed: " + path);
}

void ClearProxyEnvironment() {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy",
                           "NO_PROXY", "all_proxy", "ALL_PROXY"})
    unsetenv(name);
}

std::string MakeHiddenFile(const std::string& folder, const std::string& base) {
  std::ofstream(folder + "." + base) << "hidden";
  return "." + base;
}

}  // namespace test
}  // namespace qvx
