#include <windows.h>

#include <string>

#include "platform/folder_probe.h"

namespace qvx {

bool FolderAcceptsNewFiles(const std::string& folder) {
  // The system removes the probe when its handle closes, so not even a crash leaves it behind.
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    const std::string path = folder + "~qvxupdate-probe-" + std::to_string(GetCurrentProcessId()) +
                             "-" + std::to_string(attempt) + ".tmp";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return true;
    }
    // A name left by another probe is tried again with the next one; anything else is a refusal.
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

}  // namespace qvx
