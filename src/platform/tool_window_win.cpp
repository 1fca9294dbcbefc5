#include <windows.h>

#include "platform/tool_window.h"

namespace qvx {

bool ToolWindowPresent(const std::string& className) {
  return FindWindowA(className.c_str(), nullptr) != nullptr;
}

bool PostToolWindowClose(const std::string& className) {
  HWND window = FindWindowA(className.c_str(), nullptr);
  if (!window) return false;
  PostMessageA(window, WM_CLOSE, 0, 0);
  return true;
}

}  // namespace qvx
