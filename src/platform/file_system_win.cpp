#include <windows.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/os_error.h"

namespace qvx {

namespace {
class THandle {
 public:
  explicit THandle(HANDLE h) : FHandle(h) {}
  ~THandle() {
    if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return FHandle; }
  void Close() {
    if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
    FHandle = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE FHandle;
};

}  // namespace

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadWholeFile(const std::string& path) {
  THandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) RaiseLastOSError();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) RaiseLastOSError();
  std::string bytes;
  bytes.reserve(static_cast<size_t>(size.QuadPart));
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) RaiseLastOSError();
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  return bytes;
}

void DeleteFileAt(const std::string& path) {
  if (!DeleteFileA(path.c_str())) RaiseLastOSError();
}

void CreateFolder(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return;
  DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS && FolderExists(path)) return;
  RaiseOSError(static_cast<int>(error));
}

}  // namespace qvx
