#include <signal.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/tool_window.h"

namespace qvx {

namespace {

// The pid registered for the class when that process still runs; 0 otherwise. A zombie (ended,
// not yet reaped by its parent) has no window any more.
pid_t LiveRegisteredPid(const std::string& className) {
  std::ifstream in(ToolWindowFile(className));
  long long pid = 0;
  if (!(in >> pid) || pid <= 0 || pid != static_cast<pid_t>(pid)) return 0;
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return 0;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (std::getline(stat, line)) {
    // The state follows the parenthesised command name, which may itself hold ") ".
    auto close = line.rfind(") ");
    if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z') return 0;
  }
  return static_cast<pid_t>(pid);
}

}  // namespace

std::string ToolWindowFile(const std::string& className) {
  std::string folder;
  if (const char* dir = std::getenv("QVX_WINDOW_DIR"); dir && *dir) {
    folder = dir;
  } else {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    folder = std::string(runtime && *runtime ? runtime : "/tmp") + "/qvx-windows";
  }
  return folder + "/" + className;
}

bool ToolWindowPresent(const std::string& className) { return LiveRegisteredPid(className) != 0; }

bool PostToolWindowClose(const std::string& className) {
  pid_t pid = LiveRegisteredPid(className);
  if (!pid) return false;
  kill(pid, SIGTERM);
  return true;
}

}  // namespace qvx
