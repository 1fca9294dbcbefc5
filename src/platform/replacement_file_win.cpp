#include <windows.h>

#include <algorithm>
#include <atomic>

#include "platform/locked_retry_win.h"
#include "platform/os_error.h"
#include "platform/path_delimiter.h"
#include "platform/replacement_file.h"

namespace qvx {
namespace {

// WriteFile takes a 32-bit count: large writes go in pieces.
constexpr DWORD kIoChunk = 1u << 24;
// Six letters or digits that differ between calls and between processes; CREATE_NEW makes a
// name that is taken anyway be tried again with the next ones.
std::string UniquePart() {
  static std::atomic<uint32_t> counter{0};
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  uint64_t x = GetTickCount64() ^ (uint64_t(GetCurrentProcessId()) << 20) ^
               (uint64_t(counter.fetch_add(1)) * 0x9E3779B97F4A7C15ull);
  std::string unique(6, '0');
  for (char& c : unique) {
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ull;
    c = kDigits[(x >> 32) % 36];
  }
  return unique;
}

}  // namespace

struct TReplacementFile::Impl {
  std::string Target, Temp;
  HANDLE File = INVALID_HANDLE_VALUE;
  bool Committed = false;
};

TReplacementFile::TReplacementFile(const std::string& target, TPathForm)
    : FImpl(std::make_unique<Impl>()) {
  Impl& f = *FImpl;
  f.Target = target;
  // MoveFileEx refuses a read-only or folder target on Windows, but not always under emulation
  // (a root-owned Wine); refusing up front keeps the rule the same everywhere.
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    RaiseOSError(ERROR_ACCESS_DENIED);
  // The path as it stands: "/" splits it too.
  const size_t cut = LastPathDelimiter(target, true);
  const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
  const std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
  for (int attempt = 0;; ++attempt) {
    const std::string temp = folder + TemporaryFileName(name, UniquePart());
    f.File = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f.File != INVALID_HANDLE_VALUE) {
      f.Temp = temp;
      return;
    }
    const DWORD error = GetLastError();
    if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt >= 100)
      RaiseOSError(static_cast<int>(error));
  }
}

TReplacementFile::~TReplacementFile() {
  Impl& f = *FImpl;
  if (f.File != INVALID_HANDLE_VALUE) CloseHandle(f.File);
  if (!f.Committed && !f.Temp.empty()) DeleteFileA(f.Temp.c_str());
}

const std::string& TReplacementFile::TemporaryPath() const { return FImpl->Temp; }

void TReplacementFile::Write(const char* data, size_t n) {
  Impl& f = *FImpl;
  while (n > 0) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(n, kIoChunk));
    DWORD wrote = 0;
    if (!WriteFile(f.File, data, want, &wrote, nullptr)) RaiseLastOSError();
    if (wrote == 0) RaiseOSError(ERROR_WRITE_FAULT);
    data += wrote;
    n -= wrote;
  }
}

namespace {

void FlushAndClose(TReplacementFile::Impl& f) {
  if (!FlushFileBuffers(f.File)) RaiseLastOSError();
  CloseHandle(f.File);
  f.File = INVALID_HANDLE_VALUE;
}

}  // namespace

void TReplacementFile::Commit() {
  Impl& f = *FImpl;
  FlushAndClose(f);
  // A target held open for a moment is waited for; read-only and folder targets were refused
  // at construction, so access denied here means a file in use.
  const DWORD error = MoveFileWithLockedRetry(f.Temp.c_str(), f.Target.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (error != 0) RaiseOSError(static_cast<int>(error));
  f.Committed = true;
}

void TReplacementFile::Stage(const std::string& stagedPath) {
  Impl& f = *FImpl;
  FlushAndClose(f);
  const DWORD error = MoveFileWithLockedRetry(f.Temp.c_str(), stagedPath.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (error != 0) RaiseOSError(static_cast<int>(error));
  f.Committed = true;
}

}  // namespace qvx
