#include "platform/file_pieces.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/os_error.h"
#include "platform/posix_path.h"

namespace qvx {

bool ReadFileInPieces(const std::string& path,
                      const std::function<void(const char* data, size_t size)>& piece) {
  const int fd = open(ResolvePosixPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  std::vector<char> buffer(256 * 1024);
  for (;;) {
    const ssize_t got = read(fd, buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      close(fd);
      RaiseOSError(error);
    }
    if (got == 0) break;
    try {
      piece(buffer.data(), static_cast<size_t>(got));
    } catch (...) {
      close(fd);
      throw;
    }
  }
  close(fd);
  return true;
}

}  // namespace qvx
