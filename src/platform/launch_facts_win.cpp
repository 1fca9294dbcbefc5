#include <windows.h>

#include "platform/command_line.h"
#include "platform/launch_facts_backend.h"
#include "platform/os_error.h"

namespace qvx {

std::string PlatformExecutablePath() {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
    if (n == 0) RaiseLastOSError();
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> PlatformLaunchArguments() {
  std::vector<std::string> words = SplitCommandLine(GetCommandLineA());
  if (!words.empty()) words.erase(words.begin());
  return words;
}

}  // namespace qvx
