#include <windows.h>

#include "platform/file_append.h"
#include "platform/os_error.h"

namespace qvx {

void AppendToFile(const std::string& path, const std::string& bytes) {
  // FILE_APPEND_DATA alone makes every write land at the end, whoever else writes meanwhile.
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) RaiseLastOSError();
  DWORD wrote = 0;
  // A log entry is small; one call writes it.
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(h);
  if (!ok) RaiseOSError(static_cast<int>(error));
  if (wrote != bytes.size()) RaiseOSError(ERROR_WRITE_FAULT);
}

int64_t FileSizeAt(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace qvx
