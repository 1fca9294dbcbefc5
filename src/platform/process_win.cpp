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

}  // namespace qvx
