#include "update/release_commit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/replacement_file.h"
#include "support/fake_tool.h"
#include "support/worker_run.h"
#include "update/run_outcome.h"
#include "startup/globals.h"
#include "support/test_installation.h"
#include "support/test_release.h"
#include "update/main_tool.h"
#include "update/release_journal.h"
#include "update/update_log.h"

namespace qvx {
namespace {

using test::ReleaseState;
using test::StrayFiles;

class ReleaseCommit : public ::testing::Test {
 protected:
  void SetUp() override {
    FInstall.Enter();
    test::InstallOldRelease();
    test::StageNewRelease();
  }
  void TearDown() override {
    SetCommitStepHookForTesting(nullptr);
    FInstall.Leave();
  }
  test::TTestInstallation FInstall;
};

// Stands for a kill at a step: the commit stops there, with nothing of its own cleaned up.
struct TKilled : std::runtime_error {
  TKilled() : std::runtime_error("killed") {}
};

void KillAtStep(int at) {
  SetCommitStepHookForTesting([at](int step) {
    if (step == at) throw TKilled();
  });
}

TEST_F(ReleaseCommit, PutsTheWholeReleaseInPlaceAfterItsJournalIsOnTheDisk) {
  // A set-aside copy that an earlier switch had to keep does not stand in the way.
  FInstall.Write(".tool.dll.qvxold", "kept by an earlier switch");
  const std::vector<TCommitStep> steps = test::TestReleaseSteps();
  bool sawJournal = false;
  SetCommitStepHookForTesting([&](int step) {
    if (step != 0) return;
    sawJournal = true;
    // Nothing has moved yet, and what is on the disk already names every step.
    EXPECT_EQ(ReleaseState(), "old");
    const TJournal journal = ReadJournal();
    EXPECT_TRUE(journal.Present && journal.Complete);
    EXPECT_EQ(journal.State, TJournal::TState::Commit);
    ASSERT_EQ(journal.Steps.size(), steps.size());
    for (size_t i = 0; i < steps.size(); ++i) {
      EXPECT_EQ(journal.Steps[i].Target, steps[i].Target);
      EXPECT_EQ(journal.Steps[i].Staged, steps[i].Staged);
      EXPECT_EQ(journal.Steps[i].Kind, steps[i].Kind);
      // Whether the file had an old copy: all but the one the release adds.
      EXPECT_EQ(journal.Steps[i].HadOld, !test::TestRelease()[i].Old.empty()) << steps[i].Target;
    }
  });
  std::string failure;
  EXPECT_TRUE(CommitRelease(steps, failure)) << failure;
  EXPECT_EQ(failure, "");
  EXPECT_TRUE(sawJournal);
  EXPECT_EQ(ReleaseState(), "new");
  EXPECT_EQ(StrayFiles(), "");
  EXPECT_FALSE(ReadJournal().Present);
}

TEST_F(ReleaseCommit, AKeptAsideCopyStaysUntilTheNextRunSweepsIt) {
  std::vector<TCommitStep> steps = test::TestReleaseSteps();
  steps[0].KeepAside = true;
  std::string failure;
  ASSERT_TRUE(CommitRelease(steps, failure)) << failure;
  EXPECT_EQ(ReleaseState(), "new");
  EXPECT_EQ(StrayFiles(), ".tool.dll.qvxold");
  EXPECT_EQ(FInstall.Read(".tool.dll.qvxold"), "old library");

  // Not while a journal is there: its set-aside copies may be all that is left of a release.
  FInstall.Write("data\\update.journal", "whatever");
  EXPECT_EQ(DeleteKeptAside(AppPath), 0u);
  DeleteFileAt(JournalPath());
  EXPECT_EQ(DeleteKeptAside(AppPath), 1u);
  EXPECT_EQ(StrayFiles(), "");
  // One whose file is gone may be the only copy left, or a removed file: it neither goes nor
  // comes back.
  FInstall.Write(".lost.txt.qvxold", "only copy");
  EXPECT_EQ(DeleteKeptAside(AppPath), 0u);
  EXPECT_EQ(StrayFiles(), ".lost.txt.qvxold");
  EXPECT_FALSE(FInstall.Exists("lost.txt"));
}

// A rename refused part-way undoes the whole switch, at each kind of point where it can
// happen. Natively a rename is refused when its new name is taken (root ignores permissions) or
// its file has gone.
TEST_F(ReleaseCommit, ARenameRefusedPartWayLeavesTheOldReleaseWhole) {
  struct Case {
    const char* name;
    int atStep;             // the hook step after which the next rename is made to fail
    const char* folder;     // a name a non-empty folder takes then, or nothing
    const char* goneStaged;  // a staged file deleted then, or nothing
    const char* failing;    // the file the failure line names
  } cases[] = {
      {"the first file's aside name taken", 0, ".tool.dll.qvxold", nullptr, "tool.dll"},
      {"the data file's aside name taken", 1, "data\\.devices.ini.qvxold", nullptr, "devices.ini"},
      {"the removed file's aside name taken", 3, ".retired.txt.qvxold", nullptr, "retired.txt"},
      {"the first new copy gone", 4, nullptr, "tool.dll", "tool.dll"},
      {"the added file's target taken", 6, "plugin.bin", nullptr, "plugin.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FInstall.Enter();
    test::InstallOldRelease();
    test::StageNewRelease();
    SetCommitStepHookForTesting([&](int step) {
      if (step != c.atStep) return;
      if (c.folder) FInstall.Write(std::string(c.folder) + "\\inside.txt", "x");
      if (c.goneStaged) DeleteFileAt(StagedName(AppPath + c.goneStaged));
    });
    std::string failure;
    EXPECT_FALSE(CommitRelease(test::TestReleaseSteps(), failure));
    SetCommitStepHookForTesting(nullptr);
    EXPECT_NE(failure.find(c.failing), std::string::npos) << failure;
    EXPECT_EQ(ReleaseState(), "old");
    EXPECT_FALSE(ReadJournal().Present);
    if (c.folder) std::filesystem::remove_all(FInstall.At(c.folder));
    EXPECT_EQ(StrayFiles(), "");
  }
}

TEST_F(ReleaseCommit, StepsThatCannotBeSwitchedAreRefusedBeforeAnythingMoves) {
  struct Case {
    const char* name;
    std::function<void(std::vector<TCommitStep>&)> spoil;
    const char* said;
    bool stagedKept;
  } cases[] = {
      {"a target outside the installation",
       [](std::vector<TCommitStep>& s) {
         s[1].Target = AppPath + "data\\..\\..\\devices.ini";
         s[1].Staged = StagedName(s[1].Target);
         s[1].Aside = AsideName(s[1].Target);
       },
       "is not a file of the installation", false},
      {"a staged name that is another installed file",
       [](std::vector<TCommitStep>& s) { s[0].Staged = AppPath + "retired.txt"; },
       "other staged or set-aside names", true},
      {"a target listed twice", [](std::vector<TCommitStep>& s) { s.push_back(s[0]); }, "listed twice",
       false},
      {"a missing new copy", [](std::vector<TCommitStep>& s) { DeleteFileAt(s[2].Staged); },
       "is missing", false},
      {"a folder as target",
       [](std::vector<TCommitStep>& s) {
         DeleteFileAt(s[3].Target);
         CreateFolder(s[3].Target);
       },
       "is a folder", false},
      {"an unfinished earlier switch",
       [](std::vector<TCommitStep>&) { WriteWholeFile(JournalPath(), "an earlier one"); },
       "still unfinished", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FInstall.Enter();
    test::InstallOldRelease();
    test::StageNewRelease();
    std::vector<TCommitStep> steps = test::TestReleaseSteps();
    c.spoil(steps);
    std::string failure;
    EXPECT_FALSE(CommitRelease(steps, failure));
    EXPECT_NE(failure.find(c.said), std::string::npos) << failure;
    EXPECT_EQ(FInstall.Read("tool.dll"), "old library");
    EXPECT_EQ(FInstall.Read("data\\devices.ini"), "[old]\r\n");
    EXPECT_EQ(FileExists(StagedName(AppPath + "tool.dll")), c.stagedKept);
    std::filesystem::remove_all(FInstall.At("retired.txt"));
    if (FileExists(JournalPath())) DeleteFileAt(JournalPath());
  }
}

// The journal is read back as untrusted bytes: a cut or garbled one is never whole, and a step
// that points anywhere but at an installed file and its own names is never acted on.
TEST_F(ReleaseCommit, ADamagedJournalMovesNothingAndOnlyItsOwnStagedFilesGo) {
  std::vector<TCommitStep> steps = test::TestReleaseSteps();
  for (TCommitStep& s : steps) s.HadOld = FileExists(s.Target);
  const std::string whole = JournalBytes(steps, TJournal::TState::Commit);
  WriteWholeFile(JournalPath(), whole);
  EXPECT_TRUE(ReadJournal().Complete);
  for (size_t cut = 0; cut < whole.size(); ++cut)
    EXPECT_FALSE(ParseJournal(whole.substr(0, cut)).Complete) << "cut at " << cut;
  std::string flipped = whole;
  flipped[whole.find("tool.dll")] ^= 0x20;
  WriteWholeFile(JournalPath(), flipped);
  EXPECT_FALSE(ReadJournal().Complete);

  // Journals whose sum is right, written by someone who knows the format.
  test::TTempFolder elsewhere;
  const std::string outside = elsewhere.Write("victim.txt", "not ours");
  struct Case {
    const char* name;
    std::function<void(TCommitStep&)> spoil;
  } cases[] = {
      {"an absolute target elsewhere",
       [&](TCommitStep& s) {
         s.Target = outside;
         s.Staged = StagedName(outside);
         s.Aside = AsideName(outside);
       }},
      {"a target that climbs out",
       [](TCommitStep& s) {
         s.Target = AppPath + "..\\x";
         s.Staged = StagedName(s.Target);
         s.Aside = AsideName(s.Target);
       }},
      {"a staged name that is an installed file", [](TCommitStep& s) { s.Staged = AppPath + "retired.txt"; }},
      {"a set-aside name that is an installed file",
       [](TCommitStep& s) { s.Aside = AppPath + "data\\devices.ini"; }},
      {"the journal as a target",
       [](TCommitStep& s) {
         s.Target = JournalPath();
         s.Staged = StagedName(s.Target);
         s.Aside = AsideName(s.Target);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::StageNewRelease();
    std::vector<TCommitStep> spoiled = steps;
    c.spoil(spoiled[0]);
    WriteWholeFile(JournalPath(), JournalBytes(spoiled, TJournal::TState::RollingBack));
    const TJournal journal = ReadJournal();
    EXPECT_TRUE(journal.Present);
    EXPECT_FALSE(journal.Complete);
    EXPECT_EQ(journal.Steps.size(), steps.size() - 1);
    EXPECT_EQ(RecoverRelease(journal), TRecoveryResult::Discarded);
    EXPECT_EQ(ReleaseState(), "old");
    EXPECT_EQ(ReadWholeFile(outside), "not ours");
    // The staged files of the steps that checked out went; the spoiled step's stayed.
    EXPECT_EQ(StrayFiles(), ".tool.dll.staged.qvxnew");
  }
}

TEST_F(ReleaseCommit, RecoveryFinishesForwardWhenEveryNewCopyIsThereAndBackOtherwise) {
  struct Case {
    const char* name;
    int killedAt;
    const char* lostStaged;  // a staged file that went missing after the kill, or nothing
    TRecoveryResult result;
    const char* state;
  } cases[] = {
      {"journal written", 0, nullptr, TRecoveryResult::RolledForward, "new"},
      {"two set aside", 2, nullptr, TRecoveryResult::RolledForward, "new"},
      {"two set aside, a new copy lost", 2, "plugin.bin", TRecoveryResult::RolledBack, "old"},
      {"all set aside, one moved in", 5, nullptr, TRecoveryResult::RolledForward, "new"},
      {"all set aside, one moved in, another lost", 5, "data\\devices.ini", TRecoveryResult::RolledBack,
       "old"},
      {"all moved in, asides gone", 9, nullptr, TRecoveryResult::RolledForward, "new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FInstall.Enter();
    test::InstallOldRelease();
    test::StageNewRelease();
    KillAtStep(c.killedAt);
    std::string failure;
    EXPECT_THROW(CommitRelease(test::TestReleaseSteps(), failure), TKilled);
    SetCommitStepHookForTesting(nullptr);
    if (c.lostStaged) DeleteFileAt(StagedName(AppPath + c.lostStaged));
    EXPECT_EQ(RecoverRelease(ReadJournal(), &failure), c.result) << failure;
    EXPECT_EQ(ReleaseState(), c.state);
    EXPECT_EQ(StrayFiles(), "");
    EXPECT_EQ(RecoverRelease(ReadJournal()), TRecoveryResult::None);
  }
}

// A whole run finishes what a killed one left before it asks for the update list, says so in
// one line, and writes that line to the run's log.
TEST_F(ReleaseCommit, AWorkerRunFinishesAnInterruptedSwitchFirst) {
  test::PrepareWorkerRuns({20, 10, 1500});
  struct Case {
    const char* name;
    const char* lostStaged;
    bool toolInRelease;
    bool folderOnTarget;  // the old copy cannot go back: the run ends there
    std::vector<std::string> lines;  // the first lines of the run
    const char* state;
  } cases[] = {
      {"forward", nullptr, false, false, {"Fetching:", "An interrupted update was completed."}, "new"},
      {"back", "plugin.bin", false, false,
       {"Fetching:", "An interrupted update was undone; the installation is as it was before."}, "old"},
      {"the tool's file in the switch", nullptr, true, false,
       {"Fetching:", "Fetching:", "An interrupted update was completed."}, "new"},
      {"a file that cannot go back", "plugin.bin", false, true, {"Fetching:"}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FInstall.Enter();
    if (FileExists(UpdateLogPath())) DeleteFileAt(UpdateLogPath());
    test::InstallOldRelease();
    test::StageNewRelease();
    KillAtStep(5);
    std::string failure;
    EXPECT_THROW(CommitRelease(test::TestReleaseSteps(), failure), TKilled);
    SetCommitStepHookForTesting(nullptr);
    if (c.lostStaged) DeleteFileAt(StagedName(AppPath + c.lostStaged));
    if (c.folderOnTarget) FInstall.Write("data\\devices.ini\\x", "x");
    if (c.toolInRelease) ToolExePath = AppPath + "tool.dll";
    UpdateBaseUrl = "http://127.0.0.1:1/";

    NoteRunOutcome(TRunOutcome::Done);
    test::TRecordingStatusSink sink;
    const std::vector<std::string> lines = test::RunWorker(sink);
    ToolExePath.clear();
    ASSERT_GE(lines.size(), c.lines.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + c.lines.size()), c.lines);
    const std::string log = FInstall.Read("data\\update.log");
    if (c.state) {
      EXPECT_EQ(ReleaseState(), c.state);
      EXPECT_EQ(StrayFiles(), "");
      EXPECT_NE(log.find(c.lines.back()), std::string::npos) << log;
      // The run went on to ask for the list.
      EXPECT_GT(lines.size(), c.lines.size());
    } else {
      // Nothing more is done while the switch cannot be finished, and the journal stays for the
      // next run; the run reads as failed.
      ASSERT_EQ(lines.size(), 2u);
      EXPECT_EQ(lines[1].rfind("An interrupted update could not be finished: Cannot move", 0), 0u) << lines[1];
      EXPECT_NE(log.find(lines[1]), std::string::npos) << log;
      EXPECT_TRUE(ReadJournal().Present);
      EXPECT_TRUE(sink.RetryEnabled);
      EXPECT_EQ(RunExitCode(), 1);
      std::filesystem::remove_all(FInstall.At("data\\devices.ini"));
      EXPECT_EQ(RecoverRelease(ReadJournal(), &failure), TRecoveryResult::RolledBack) << failure;
      EXPECT_EQ(ReleaseState(), "old");
    }
  }
  SetWorkerPausesForTesting({});
}

// The tool never runs across a switch of releases: one that a killed run left with the tool's
// executable in it is finished only once the tool has closed, and not at all while it refuses.
TEST_F(ReleaseCommit, TheToolIsClosedBeforeAnInterruptedSwitchThatMovesItIsFinished) {
  test::PrepareWorkerRuns({20, 10, 1500});
  test::TTempFolder windows;
  test::UsePrivateWindowFolder(windows.At("w"));  // made private by the tool
  struct Case {
    const char* name;
    const char* toolArguments;
    std::vector<std::string> lines;  // the first lines of the run
  } cases[] = {
      {"a tool that closes", "--lifetime=20000",
       {"Fetching:", "Fetching:", "An interrupted update was completed."}},
      {"a tool that refuses", "--ignore-close --lifetime=3000",
       {"Fetching:", "Fetching:", "Tool still open.",
        "An interrupted update could not be finished: the tool did not close. Nothing else was done; "
        "try again when the file is free."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::WaitUntil([] { return !IsToolRunning(); })) << "a tool is in the way";
    FInstall.Enter();
    test::InstallOldRelease();
    test::StageNewRelease();
    ToolExePath = test::InstallFakeProgram(FInstall.At("qvxtool.exe")).string();
    std::vector<TCommitStep> steps = test::TestReleaseSteps();
    {
      TReplacementFile file(ToolExePath);
      file.Write("the new tool", 12);
      file.Stage(StagedName(ToolExePath));
      TCommitStep tool;
      tool.Target = ToolExePath;
      tool.Staged = StagedName(ToolExePath);
      tool.Aside = AsideName(ToolExePath);
      steps.push_back(tool);
    }
    // Killed once the journal was written; the tool has been started again since.
    KillAtStep(0);
    std::string failure;
    EXPECT_THROW(CommitRelease(steps, failure), TKilled);
    ASSERT_TRUE(ShellOpen(ToolExePath, c.toolArguments));
    ASSERT_TRUE(test::WaitUntil([] { return IsToolRunning(); }));

    bool finished = false, toolWasGone = false;
    SetCommitStepHookForTesting([&](int step) {
      if (step != 0) return;
      finished = true;
      toolWasGone = !IsToolRunning();
    });
    UpdateBaseUrl = "http://127.0.0.1:1/";
    test::TRecordingStatusSink sink;
    const std::vector<std::string> lines = test::RunWorker(sink);
    SetCommitStepHookForTesting(nullptr);
    ASSERT_GE(lines.size(), c.lines.size()) << ::testing::PrintToString(lines);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + c.lines.size()), c.lines);
    if (c.lines.back() == "An interrupted update was completed.") {
      EXPECT_TRUE(finished && toolWasGone);
      EXPECT_EQ(ReleaseState(), "new");
      EXPECT_EQ(FInstall.Read("qvxtool.exe"), "the new tool");
    } else {
      EXPECT_FALSE(finished);
      EXPECT_EQ(lines.size(), c.lines.size());
      EXPECT_TRUE(ReadJournal().Present);
      ASSERT_TRUE(test::WaitUntil([] { return !IsToolRunning(); }));
      EXPECT_EQ(RecoverRelease(ReadJournal()), TRecoveryResult::RolledForward);
    }
    EXPECT_FALSE(ReadJournal().Present);
    EXPECT_FALSE(FileExists(StagedName(ToolExePath)));
    ToolExePath.clear();
  }
  SetWorkerPausesForTesting({});
}

}  // namespace
}  // namespace qvx
