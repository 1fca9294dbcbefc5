// A switch of releases ended at every one of its steps, in a process of its own that is gone at
// once (nothing cleaned up), and then its recovery ended as well at several of its own steps:
// after the recovery that finally runs to its end the installation is wholly the old release or
// wholly the new one, with no journal, staged, set-aside or temporary file left. It is the new
// one unless a new copy was lost after the kill.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "startup/globals.h"
#include "support/test_installation.h"
#include "support/test_programs.h"
#include "support/test_release.h"
#include "update/release_commit.h"

namespace qvx {
namespace {

constexpr int kKilled = 3;    // the runner's exit code when its hook ended it
constexpr int kRecovered = 10;  // the runner's recover exit codes: 10 + TRecoveryResult

TEST(KilledCommit, EveryKillLeavesAWholeReleaseAfterTheNextRecovery) {
  const std::string runner = test::HelperProgramPath("qvx_commit_runner");
  ASSERT_FALSE(runner.empty()) << "qvx_commit_runner is not built";
  const int n = static_cast<int>(test::TestRelease().size());
  // The added file's new copy: staged until its move in, step n + 3 of the commit.
  const std::string lostFile = "plugin.bin";
  const int lostUntil = n + 3;
  int runs = 0;
  for (int k = 0; k <= 2 * n + 1; ++k) {
    for (const bool lost : {false, true}) {
      if (lost && k >= lostUntil) continue;
      for (const int j : {-1, 0, 1, n, n + 1}) {
        SCOPED_TRACE(::testing::Message() << "commit ended after step " << k << (lost ? ", a new copy lost" : "")
                                          << ", recovery ended after step " << j);
        test::TTestInstallation install;
        install.Enter();
        test::InstallOldRelease();
        test::StageNewRelease();
        ASSERT_EQ(test::RunProgramAndWait(runner, {AppPath, "commit", std::to_string(k)}), kKilled);
        ++runs;
        ASSERT_TRUE(ReadJournal().Present);
        if (lost) DeleteFileAt(StagedName(AppPath + lostFile));
        if (j >= 0) {
          // A recovery that is ended too, or that finishes when it has no such step.
          const int code = test::RunProgramAndWait(runner, {AppPath, "recover", std::to_string(j)});
          EXPECT_TRUE(code == kKilled || code == kRecovered + int(TRecoveryResult::RolledForward) ||
                      code == kRecovered + int(TRecoveryResult::RolledBack))
              << code;
          ++runs;
        }
        const int code = test::RunProgramAndWait(runner, {AppPath, "recover", "-1"});
        ++runs;
        EXPECT_NE(code, kRecovered + int(TRecoveryResult::Unfinished));
        EXPECT_NE(code, kRecovered + int(TRecoveryResult::Discarded));
        EXPECT_EQ(test::ReleaseState(), lost ? "old" : "new");
        EXPECT_EQ(test::StrayFiles(), "");
        install.Leave();
      }
    }
  }
  std::printf("%d runs of the switch and its recovery\n", runs);
}

}  // namespace
}  // namespace qvx
