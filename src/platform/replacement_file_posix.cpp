#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/os_error.h"
#include "platform/posix_path.h"
#include "platform/replacement_file.h"

namespace qvx {
namespace {

std::string FolderPart(const std::string& path) {
  const size_t cut = path.rfind('/');
  if (cut == std::string::npos) return ".";
  return cut == 0 ? "/" : path.substr(0, cut);
}

std::string NamePart(const std::string& path) {
  const size_t cut = path.rfind('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The mode a new file gets: the process's umask applied to rw for everyone. The umask can only
// be read by setting it, and files are staged from several threads at once: two of them setting
// and restoring it at the same moment could leave it changed for good. It is read once.
mode_t NewFileMode() {
  static const mode_t mask = [] {
    const mode_t m = umask(022);
    umask(m);
    return m;
  }();
  return 0666 & ~mask;
}

// Written data are handed to the disk in steps of this size while the file grows, so the flush
// before the replacement waits for one step at most, not for the whole file.
constexpr off_t kWritebackStep = 8 << 20;

}  // namespace

struct TReplacementFile::Impl {
  std::string Target, Temp;
  int Fd = -1;
  mode_t Mode = 0;
  TPathForm Form = TPathForm::WindowsWay;
  off_t Written = 0, HandedToDisk = 0;
  bool Committed = false;
};

TReplacementFile::TReplacementFile(const std::string& target, TPathForm form)
    : FImpl(std::make_unique<Impl>()) {
  Impl& f = *FImpl;
  f.Form = form;
  f.Target = form == TPathForm::AsItStands ? target : ResolvePosixPath(target);
  f.Mode = NewFileMode();
  struct stat st;
  if (stat(f.Target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) RaiseOSError(EISDIR);
    // Windows refuses to replace a read-only file; so do we, though rename would allow it. A
    // file without any write permission is read-only even to root.
    if ((st.st_mode & 0222) == 0) RaiseOSError(EACCES);
    if (access(f.Target.c_str(), W_OK) != 0) RaiseLastOSError();
    f.Mode = st.st_mode & 07777;
  }
  std::string temp = FolderPart(f.Target) + "/" + TemporaryFileName(NamePart(f.Target), "XXXXXX");
  const int suffix = static_cast<int>(temp.size() - temp.rfind("XXXXXX") - 6);
  f.Fd = mkostemps(&temp[0], suffix, O_CLOEXEC);
  if (f.Fd < 0) RaiseLastOSError();
  f.Temp = temp;
}

TReplacementFile::~TReplacementFile() {
  Impl& f = *FImpl;
  if (f.Fd >= 0) close(f.Fd);
  if (!f.Committed && !f.Temp.empty()) unlink(f.Temp.c_str());
}

const std::string& TReplacementFile::TemporaryPath() const { return FImpl->Temp; }

void TReplacementFile::Write(const char* data, size_t n) {
  Impl& f = *FImpl;
  while (n > 0) {
    const ssize_t wrote = write(f.Fd, data, n);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      RaiseLastOSError();
    }
    data += wrote;
    n -= static_cast<size_t>(wrote);
    f.Written += wrote;
  }
#ifdef SYNC_FILE_RANGE_WRITE
  if (f.Written - f.HandedToDisk >= kWritebackStep) {
    // A hint: starts the writing out without waiting for it; failures show at the final flush.
    sync_file_range(f.Fd, f.HandedToDisk, f.Written - f.HandedToDisk, SYNC_FILE_RANGE_WRITE);
    f.HandedToDisk = f.Written;
  }
#endif
}

namespace {

void FlushAndClose(TReplacementFile::Impl& f) {
  if (fchmod(f.Fd, f.Mode) != 0 || fsync(f.Fd) != 0) RaiseLastOSError();
  const int fd = f.Fd;
  f.Fd = -1;
  if (close(fd) != 0) RaiseLastOSError();
}

}  // namespace

void TReplacementFile::Commit() {
  Impl& f = *FImpl;
  FlushAndClose(f);
  if (rename(f.Temp.c_str(), f.Target.c_str()) != 0) RaiseLastOSError();
  f.Committed = true;
}

void TReplacementFile::Stage(const std::string& stagedPath) {
  Impl& f = *FImpl;
  FlushAndClose(f);
  const std::string staged = f.Form == TPathForm::AsItStands ? stagedPath : ResolvePosixPath(stagedPath);
  if (rename(f.Temp.c_str(), staged.c_str()) != 0) RaiseLastOSError();
  f.Committed = true;
}

}  // namespace qvx
