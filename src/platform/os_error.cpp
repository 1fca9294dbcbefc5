#include "platform/os_error.h"

#include "base/errors.h"

namespace qvx {

void RaiseLastOSError() { RaiseOSError(LastSystemError()); }

void RaiseOSError(int code) { throw EOSError(SystemErrorText(code)); }

}  // namespace qvx
