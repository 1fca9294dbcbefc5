#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/file_system.h"
#include "platform/os_error.h"
#include "platform/posix_path.h"

namespace qvx {

namespace {
class TFd {
 public:
  explicit TFd(int fd) : FFd(fd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }
  int Close() {
    int rc = FFd >= 0 ? close(FFd) : 0;
    FFd = -1;
    return rc;
  }

 private:
  int FFd;
};

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(ResolvePosixPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return stat(ResolvePosixPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReadWholeFile(const std::string& path) {
  TFd fd(open(ResolvePosixPath(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) RaiseLastOSError();
  struct stat st;
  if (fstat(fd.Get(), &st) != 0) RaiseLastOSError();
  if (S_ISDIR(st.st_mode)) RaiseOSError(EISDIR);
  std::string bytes;
  if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t got = read(fd.Get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseLastOSError();
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
  }
  return bytes;
}

void DeleteFileAt(const std::string& path) {
  const std::string target = ResolvePosixPath(path);
  struct stat st;
  if (lstat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) RaiseOSError(EISDIR);
    // Windows refuses to delete a read-only file, as it refuses to replace one.
    if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) RaiseOSError(EACCES);
  }
  if (unlink(target.c_str()) != 0) RaiseLastOSError();
}

void CreateFolder(const std::string& path) {
  const std::string target = ResolvePosixPath(path);
  if (mkdir(target.c_str(), 0777) == 0) return;
  int error = errno;
  struct stat st;
  if (error == EEXIST && stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
  RaiseOSError(error);
}

}  // namespace qvx
