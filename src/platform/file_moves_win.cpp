#include <windows.h>

#include "platform/file_moves.h"
#include "platform/locked_retry_win.h"
#include "platform/os_error.h"

namespace qvx {
namespace {

// A tool that has just closed, a virus scanner or an indexer often holds a file for a moment:
// a move is tried again this long, with these pauses, on sharing and lock errors only. A file
// held open without delete sharing is reported as access denied; read-only and folder targets,
// the other causes of that error, are refused by the callers before.
constexpr ULONGLONG kLockedRetryMs = 5000;
constexpr DWORD kLockedRetryPauseMs = 100;

}  // namespace

DWORD MoveFileWithLockedRetry(const char* from, const char* to, DWORD flags) {
  const ULONGLONG giveUp = GetTickCount64() + kLockedRetryMs;
  while (!MoveFileExA(from, to, flags | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                      error == ERROR_ACCESS_DENIED;
    if (!held || GetTickCount64() >= giveUp) return error;
    Sleep(kLockedRetryPauseMs);
  }
  return 0;
}

void MoveFileNoReplace(const std::string& from, const std::string& to) {
  // Only files move here, as in the POSIX back end; MoveFileEx would move a folder as well.
  const DWORD attributes = GetFileAttributesA(from.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    RaiseOSError(ERROR_ACCESS_DENIED);
  // Without MOVEFILE_REPLACE_EXISTING an existing name is refused (ERROR_ALREADY_EXISTS), and
  // that is no lock: it fails at once.
  const DWORD error = MoveFileWithLockedRetry(from.c_str(), to.c_str(), 0);
  if (error != 0) RaiseOSError(static_cast<int>(error));
}

void FlushFile(const std::string& path) {
  // FlushFileBuffers needs a handle with write access; the sharing lets others keep theirs.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) RaiseLastOSError();
  const BOOL flushed = FlushFileBuffers(file);
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!flushed) RaiseOSError(static_cast<int>(error));
}

void FlushFolder(const std::string&) {}

}  // namespace qvx
