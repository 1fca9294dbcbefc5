#pragma once
// The locked-file retry of the Windows back ends that move files into place.
#include <windows.h>

namespace qvx {

// MoveFileExA(from, to, flags | MOVEFILE_WRITE_THROUGH), tried again for a few seconds while
// the failure is one that a file held open for a moment gives. Returns 0 on success, else the
// last error.
DWORD MoveFileWithLockedRetry(const char* from, const char* to, DWORD flags);

}  // namespace qvx
