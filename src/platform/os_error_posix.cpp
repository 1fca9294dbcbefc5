#include <cerrno>
#include <system_error>

#include "platform/os_error.h"

namespace qvx {

std::string SystemErrorText(int code) { return std::generic_category().message(code); }

int LastSystemError() { return errno; }

}  // namespace qvx
