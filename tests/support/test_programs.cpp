#include "support/test_programs.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace qvx::test {

std::string OwnProgramPath() {
#ifdef _WIN32
  char buffer[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, n);
#else
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
#endif
}

std::string HelperProgramPath(const std::string& name) {
#ifdef _WIN32
  const std::string file = name + ".exe";
#else
  const std::string file = name;
#endif
  std::filesystem::path here = std::filesystem::path(OwnProgramPath()).parent_path();
  for (const auto& folder : {here, here.parent_path()}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / file, error)) return (folder / file).string();
  }
  return {};
}

int RunProgramAndWait(const std::string& path, const std::vector<std::string>& arguments) {
#ifdef _WIN32
  // Quoted the way the C runtime splits a command line: backslashes before a quote (and before
  // the closing quote) are doubled, and the quote itself escaped.
  std::string line = "\"" + path + "\"";
  for (const std::string& argument : arguments) {
    line += " \"";
    size_t slashes = 0;
    for (const char c : argument) {
      if (c == '\\') {
        ++slashes;
      } else {
        if (c == '"') line.append(slashes + 1, '\\');
        slashes = 0;
      }
      line += c;
    }
    line.append(slashes, '\\');
    line += "\"";
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
#else
  std::vector<std::string> all = {path};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
#endif
}

}  // namespace qvx::test
