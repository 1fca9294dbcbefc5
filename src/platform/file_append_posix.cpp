#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_append.h"
#include "platform/os_error.h"
#include "platform/posix_path.h"

namespace qvx {

void AppendToFile(const std::string& path, const std::string& bytes) {
  const int fd = open(ResolvePosixPath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) RaiseLastOSError();
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      close(fd);
      RaiseOSError(error);
    }
    done += static_cast<size_t>(wrote);
  }
  if (close(fd) != 0) RaiseLastOSError();
}

int64_t FileSizeAt(const std::string& path) {
  struct stat st;
  if (stat(ResolvePosixPath(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

}  // namespace qvx
