#include "support/file_size_limit.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

namespace qvx::test {

struct TFileSizeLimit::TSaved {
  rlimit Limit{};
  void (*Handler)(int) = nullptr;
};

TFileSizeLimit::TFileSizeLimit(uint64_t bytes) : FSaved(std::make_unique<TSaved>()) {
  getrlimit(RLIMIT_FSIZE, &FSaved->Limit);
  FSaved->Handler = signal(SIGXFSZ, SIG_IGN);
  rlimit lowered = FSaved->Limit;
  lowered.rlim_cur = static_cast<rlim_t>(bytes);
  EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
}

TFileSizeLimit::~TFileSizeLimit() {
  setrlimit(RLIMIT_FSIZE, &FSaved->Limit);
  signal(SIGXFSZ, FSaved->Handler);
}

}  // namespace qvx::test
