#include <windows.h>

#include <algorithm>

#include "common/command_line.h"
#include "platform/file_system.h"
#include "platform/file_system_backend.h"
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

// Large writes go in pieces: WriteFile takes a 32-bit count.
constexpr DWORD kIoChunk = 1u << 24;

void WriteAll(HANDLE h, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kIoChunk));
    DWORD wrote = 0;
    if (!WriteFile(h, bytes.data() + done, want, &wrote, nullptr)) RaiseLastOSError();
    if (wrote == 0) RaiseOSError(ERROR_WRITE_FAULT);
    done += wrote;
  }
}
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

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  // MoveFileEx refuses a read-only or folder target on Windows, but not always under emulation
  // (a root-owned Wine); refusing up front keeps the rule the same everywhere.
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    RaiseOSError(ERROR_ACCESS_DENIED);
  std::string folder = path;
  size_t cut = folder.find_last_of("\\/:");
  folder = cut == std::string::npos ? std::string(".") : folder.substr(0, cut + 1);
  char temp[MAX_PATH + 1];
  // GetTempFileNameA creates the (empty) file, so the name is ours until we move or delete it.
  if (!GetTempFileNameA(folder.c_str(), "qvx", 0, temp)) RaiseLastOSError();
  try {
    THandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) RaiseLastOSError();
    WriteAll(file.Get(), bytes);
    if (!FlushFileBuffers(file.Get())) RaiseLastOSError();
    file.Close();
    if (!MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      RaiseLastOSError();
  } catch (...) {
    DeleteFileA(temp);
    throw;
  }
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

std::string PlatformExecutablePath() {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
    if (n == 0) RaiseLastOSError();
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> PlatformLaunchArguments() {
  std::vector<std::string> words = SplitCommandLine(GetCommandLineA());
  if (!words.empty()) words.erase(words.begin());
  return words;
}

}  // namespace qvx
