#include "qvxpublish/key_file.h"

#include <windows.h>

#include "base/errors.h"
#include "platform/os_error.h"

namespace qvx {

void WriteNewKeyFile(const std::filesystem::path& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const std::string reason = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS
                                   ? "A file of that name exists; it is never written over."
                                   : SystemErrorText(static_cast<int>(error));
    throw Exception("Cannot create \"" + path.u8string() + "\". " + reason);
  }
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size() && FlushFileBuffers(file);
  const DWORD error = ok ? 0 : GetLastError();
  CloseHandle(file);
  if (!ok) {
    DeleteFileW(path.c_str());
    throw Exception("Cannot write \"" + path.u8string() + "\". " + SystemErrorText(static_cast<int>(error)));
  }
}

}  // namespace qvx
