#include "platform/file_pieces.h"

#include <windows.h>

#include <vector>

#include "platform/os_error.h"

namespace qvx {

bool ReadFileInPieces(const std::string& path,
                      const std::function<void(const char* data, size_t size)>& piece) {
  // Others may read the file meanwhile (the tool, a virus scanner), but not change it.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buffer(256 * 1024);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      const DWORD error = GetLastError();
      CloseHandle(file);
      RaiseOSError(static_cast<int>(error));
    }
    if (got == 0) break;
    try {
      piece(buffer.data(), got);
    } catch (...) {
      CloseHandle(file);
      throw;
    }
  }
  CloseHandle(file);
  return true;
}

}  // namespace qvx
