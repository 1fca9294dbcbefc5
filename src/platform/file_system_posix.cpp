#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/file_system.h"
#include "platform/file_system_backend.h"
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

std::string FolderPart(const std::string& path) {
  size_t cut = path.rfind('/');
  if (cut == std::string::npos) return ".";
  return cut == 0 ? "/" : path.substr(0, cut);
}

std::string NamePart(const std::string& path) {
  size_t cut = path.rfind('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The mode a new file gets: the process's umask applied to rw for everyone. The umask can only
// be read by setting it; the update runs write files from one thread at a time.
mode_t NewFileMode() {
  mode_t mask = umask(022);
  umask(mask);
  return 0666 & ~mask;
}
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

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  const std::string target = ResolvePosixPath(path);
  mode_t mode = NewFileMode();
  struct stat st;
  if (stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) RaiseOSError(EISDIR);
    // Windows refuses to replace a read-only file; so do we, though rename would allow it. A
    // file without any write permission is read-only even to root.
    if ((st.st_mode & 0222) == 0) RaiseOSError(EACCES);
    if (access(target.c_str(), W_OK) != 0) RaiseLastOSError();
    mode = st.st_mode & 07777;
  }
  // A leading "." keeps the temporary file out of folder searches while it exists.
  std::string temp = FolderPart(target) + "/." + NamePart(target) + ".XXXXXX";
  TFd fd(mkstemp(&temp[0]));
  if (fd.Get() < 0) RaiseLastOSError();
  try {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t wrote = write(fd.Get(), bytes.data() + done, bytes.size() - done);
      if (wrote < 0) {
        if (errno == EINTR) continue;
        RaiseLastOSError();
      }
      done += static_cast<size_t>(wrote);
    }
    if (fchmod(fd.Get(), mode) != 0 || fsync(fd.Get()) != 0 || fd.Close() != 0)
      RaiseLastOSError();
    if (rename(temp.c_str(), target.c_str()) != 0) RaiseLastOSError();
  } catch (...) {
    int saved = errno;
    unlink(temp.c_str());
    errno = saved;
    throw;
  }
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

std::string PlatformExecutablePath() {
  std::string buffer(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", &buffer[0], buffer.size());
  if (n < 0) RaiseLastOSError();
  buffer.resize(static_cast<size_t>(n));
  return buffer;
}

// Without a call of SetLaunchArguments the kernel's copy of argv stands in.
std::vector<std::string> PlatformLaunchArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> words;
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('\0', pos);
    if (end == std::string::npos) end = all.size();
    words.push_back(all.substr(pos, end - pos));
    pos = end + 1;
  }
  if (!words.empty()) words.erase(words.begin());
  return words;
}

}  // namespace qvx
