#pragma once
// A disk that refuses writes half-way, for tests on POSIX systems (file_size_limit_posix.cpp;
// there is none on Windows): the process's file-size limit is lowered for the life of the
// object, with SIGXFSZ ignored, so a write past it fails with EFBIG as a full disk fails it.
#include <cstdint>
#include <memory>

namespace qvx::test {

class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(uint64_t bytes);
  ~TFileSizeLimit();
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  struct TSaved;
  std::unique_ptr<TSaved> FSaved;
};

}  // namespace qvx::test
