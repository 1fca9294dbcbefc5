#pragma once
// Platform error codes become text at this boundary, so callers only ever see EOSError.
#include <string>

namespace qvx {

// The platform's own text for an error code (FormatMessageA on Windows, strerror elsewhere),
// without a trailing line break.
std::string SystemErrorText(int code);
// The calling thread's last error code (GetLastError on Windows, errno elsewhere).
int LastSystemError();
// Raises EOSError for the calling thread's last error.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseOSError(int code);

}  // namespace qvx
