#include <windows.h>
#include <shellapi.h>

#include "platform/process.h"

namespace qvx {

bool ShellOpen(const std::string& path, const std::string& parameters, void* owner) {
  HINSTANCE result = ShellExecuteA(static_cast<HWND>(owner), "OPEN", path.c_str(),
                                   parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                                   SW_SHOWNORMAL);
  // Values up to 32 are the shell's error codes.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool RunCommandLine(const std::string& commandLine) {
  return WinExec(commandLine.c_str(), SW_SHOWNORMAL) > 31;
}

bool RunProgram(const std::string& path) {
  // The program is named apart from the command line, so nothing is searched for; the command
  // line is the path in quotes, which is what the program sees as its own name.
  std::string commandLine = "\"" + path + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace qvx
