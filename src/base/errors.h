#pragma once
// Failures are exceptions carrying the message text the user sees as a status line.
#include <stdexcept>
#include <string>

namespace qvx {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Text that is not a number or a date.
class EConvertError : public Exception {
  using Exception::Exception;
};
// A list index outside the list.
class EListError : public Exception {
  using Exception::Exception;
};
// A file that cannot be opened for reading.
class EFOpenError : public Exception {
  using Exception::Exception;
};
// A file that cannot be created or written.
class EFCreateError : public Exception {
  using Exception::Exception;
};
// A failed call to the operating system; the message is the platform's own text for the error.
// It carries no number: the numbers of the two platforms (GetLastError, errno) share no meaning,
// and a caller that must tell causes apart asks a seam that names them.
class EOSError : public Exception {
  using Exception::Exception;
};

// Memory for a buffer could not be obtained.
class EOutOfMemory : public Exception {
  using Exception::Exception;
};

}  // namespace qvx
