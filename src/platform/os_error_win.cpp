#include <windows.h>

#include "platform/os_error.h"

namespace qvx {

std::string SystemErrorText(int code) {
  char* buffer = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = n && buffer ? std::string(buffer, n) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.pop_back();
  if (text.empty()) text = "System error code " + std::to_string(code);
  return text;
}

int LastSystemError() { return static_cast<int>(GetLastError()); }

}  // namespace qvx
