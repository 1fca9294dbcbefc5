#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/process.h"

extern char** environ;

namespace qvx {

namespace {

std::string ToPosixPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool SpawnDetached(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> words;
  words.push_back(program);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
#ifdef POSIX_SPAWN_SETSID
  // Its own session: a Ctrl-C meant for us does not reach the program we started.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
#endif
  pid_t pid = 0;
  int rc = posix_spawn(&pid, program.c_str(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;
  // Nobody waits for the program, yet it must not linger as a zombie: that would still look
  // like a live process to whoever probes its pid.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace

bool ShellOpen(const std::string& path, const std::string& parameters, void*) {
  std::string program = ToPosixPath(path);
  if (!IsRegularFile(program) || access(program.c_str(), X_OK) != 0) return false;
  return SpawnDetached(program, SplitCommandLine(parameters));
}

bool RunCommandLine(const std::string& commandLine) {
  std::string line = ToPosixPath(commandLine);
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  std::string program, rest;
  if (start < line.size() && line[start] == '"') {
    size_t end = line.find('"', start + 1);
    program = line.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
    rest = end == std::string::npos ? "" : line.substr(end + 1);
  } else {
    size_t end = start;
    for (;;) {
      end = line.find(' ', end);
      std::string candidate = line.substr(start, end == std::string::npos ? end : end - start);
      if (IsRegularFile(candidate) || end == std::string::npos) {
        program = candidate;
        rest = end == std::string::npos ? "" : line.substr(end);
        break;
      }
      ++end;
    }
  }
  if (!IsRegularFile(program) || access(program.c_str(), X_OK) != 0) return false;
  return SpawnDetached(program, SplitCommandLine(rest));
}

bool RunProgram(const std::string& path) {
  const std::string program = ToPosixPath(path);
  if (!IsRegularFile(program)) return false;
  struct stat st;
  if (access(program.c_str(), X_OK) != 0 && stat(program.c_str(), &st) == 0) {
    chmod(program.c_str(), (st.st_mode & 07777) | S_IXUSR);
  }
  if (access(program.c_str(), X_OK) != 0) return false;
  return SpawnDetached(program, {});
}

}  // namespace qvx
