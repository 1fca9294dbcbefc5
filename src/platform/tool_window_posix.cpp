#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/tool_window.h"

namespace qvx {

namespace {

std::string ToolWindowFolder() {
  if (const char* dir = std::getenv("QVX_WINDOW_DIR"); dir && *dir) return dir;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/qvx-windows";
  }
  // /tmp is shared by every user: each gets a folder of its own name.
  return "/tmp/qvx-windows-" + std::to_string(geteuid());
}

// Anyone who may write the folder could plant a pid there, so another user's folder, or one
// that others may enter, is not a register at all.
bool IsPrivateFolder(const std::string& folder) {
  struct stat st;
  return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// A process of this user: /proc/<pid> belongs to the process's user.
bool IsOwnProcess(pid_t pid) {
  struct stat st;
  return stat(("/proc/" + std::to_string(pid)).c_str(), &st) == 0 && st.st_uid == geteuid();
}

// The pid registered for the class when that process still runs and is this user's; 0
// otherwise. A zombie (ended, not yet reaped by its parent) has no window any more.
pid_t LiveRegisteredPid(const std::string& className) {
  if (!IsPrivateFolder(ToolWindowFolder())) return 0;
  std::ifstream in(ToolWindowFile(className));
  long long pid = 0;
  if (!(in >> pid) || pid <= 0 || pid != static_cast<pid_t>(pid)) return 0;
  if (kill(static_cast<pid_t>(pid), 0) != 0 || !IsOwnProcess(static_cast<pid_t>(pid))) return 0;
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
  return ToolWindowFolder() + "/" + className;
}

bool MakeToolWindowFolder() {
  const std::string folder = ToolWindowFolder();
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return IsPrivateFolder(folder);
}

bool ToolWindowPresent(const std::string& className) { return LiveRegisteredPid(className) != 0; }

bool PostToolWindowClose(const std::string& className) {
  pid_t pid = LiveRegisteredPid(className);
  if (!pid) return false;
  kill(pid, SIGTERM);
  return true;
}

}  // namespace qvx
