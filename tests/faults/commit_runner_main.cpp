// A switch of releases in a process of its own, for the test that ends it at every step:
//   qvx_commit_runner <installation folder ending with its delimiter> commit|recover <step>
// commit switches the installation to the test release (tests/support/test_release.h), whose
// new files are already staged; recover finishes the journal it finds. After the hook's step
// <step> the process ends at once with exit code 3, nothing cleaned up, as a kill would leave
// it; -1 runs to the end. Otherwise commit exits with 0 when committed and 1 when not, recover
// with 10 + its result (TRecoveryResult).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "startup/globals.h"
#include "support/test_release.h"
#include "update/release_commit.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: qvx_commit_runner <installation folder> commit|recover <step>\n");
    return 2;
  }
  qvx::AppPath = argv[1];
  const std::string phase = argv[2];
  const int endAt = std::atoi(argv[3]);
  qvx::SetCommitStepHookForTesting([endAt](int step) {
    if (step == endAt) std::_Exit(3);
  });
  if (phase == "commit") {
    std::string failure;
    return qvx::CommitRelease(qvx::test::TestReleaseSteps(), failure) ? 0 : 1;
  }
  if (phase == "recover") return 10 + static_cast<int>(qvx::RecoverRelease(qvx::ReadJournal()));
  return 2;
}
