#include "qvxpublish/key_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "base/errors.h"

namespace qvx {

void WriteNewKeyFile(const std::filesystem::path& path, const std::string& bytes) {
  // O_EXCL: also a dangling symbolic link counts as present, so nothing is written through one.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    const std::string reason = errno == EEXIST ? "A file of that name exists; it is never written over."
                                               : std::strerror(errno);
    throw Exception("Cannot create \"" + path.u8string() + "\". " + reason);
  }
  size_t done = 0;
  int error = 0;
  while (done < bytes.size() && error == 0) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno != EINTR) error = errno;
    if (n > 0) done += static_cast<size_t>(n);
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    unlink(path.c_str());
    throw Exception("Cannot write \"" + path.u8string() + "\". " + std::strerror(error));
  }
}

}  // namespace qvx
