#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_moves.h"
#include "platform/os_error.h"
#include "platform/posix_path.h"

namespace qvx {
namespace {

void FlushOpened(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) RaiseLastOSError();
  const int rc = fsync(fd);
  const int error = errno;
  close(fd);
  if (rc != 0) RaiseOSError(error);
}

}  // namespace

void MoveFileNoReplace(const std::string& from, const std::string& to) {
  const std::string source = ResolvePosixPath(from);
  const std::string target = ResolvePosixPath(to);
  struct stat st;
  if (lstat(source.c_str(), &st) != 0) RaiseLastOSError();
  // Only files move here; Windows' MoveFileEx would move a folder too, but never in a switch.
  if (S_ISDIR(st.st_mode)) RaiseOSError(EISDIR);
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return;
  // A file system without the flag falls back to the look-then-rename below; the names moved
  // here belong to one updater run at a time.
  if (errno != EINVAL && errno != ENOSYS) RaiseLastOSError();
#endif
  // A name taken by anything, even a dangling link, is refused as Windows refuses it.
  if (lstat(target.c_str(), &st) == 0) RaiseOSError(EEXIST);
  if (rename(source.c_str(), target.c_str()) != 0) RaiseLastOSError();
}

void FlushFile(const std::string& path) { FlushOpened(ResolvePosixPath(path), O_RDONLY); }

void FlushFolder(const std::string& folder) {
  std::string path = ResolvePosixPath(folder);
  if (path.empty()) path = ".";
  FlushOpened(path, O_RDONLY | O_DIRECTORY);
}

}  // namespace qvx
