#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/launch_facts_backend.h"
#include "platform/os_error.h"

namespace qvx {

std::string PlatformExecutablePath() {
  std::string buffer(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", &buffer[0], buffer.size());
  if (n < 0) RaiseLastOSError();
  buffer.resize(static_cast<size_t>(n));
  return buffer;
}

// Without a call of SetLaunchArguments the kernel's copy of argv stands in.
std::vector<std::string> PlatformLaunchArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> words;
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('\0', pos);
    if (end == std::string::npos) end = all.size();
    words.push_back(all.substr(pos, end - pos));
    pos = end + 1;
  }
  if (!words.empty()) words.erase(words.begin());
  return words;
}

}  // namespace qvx
