// The switch of releases against Windows' own rules on files in use: a file held open without
// sharing cannot be moved (the switch is undone whole once the retry has run out), while a
// running program or a loaded library can be moved aside but not deleted until it is let go.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/replacement_file.h"
#include "startup/globals.h"
#include "support/fake_tool.h"
#include "support/test_installation.h"
#include "support/test_programs.h"
#include "support/test_release.h"
#include "update/release_commit.h"

namespace qvx {
namespace {

using Clock = std::chrono::steady_clock;

class ReleaseCommitWin : public ::testing::Test {
 protected:
  void SetUp() override { FInstall.Enter(); }
  void TearDown() override { FInstall.Leave(); }

  // The new content of target, staged as downloads are.
  static TCommitStep StagedStep(const std::string& target, const std::string& bytes) {
    TReplacementFile file(target);
    file.Write(bytes.data(), bytes.size());
    file.Stage(StagedName(target));
    TCommitStep step;
    step.Target = target;
    step.Staged = StagedName(target);
    step.Aside = AsideName(target);
    return step;
  }

  test::TTestInstallation FInstall;
};

TEST_F(ReleaseCommitWin, AFileHeldOpenPastTheRetryTurnsTheWholeSwitchBack) {
  test::InstallOldRelease();
  test::StageNewRelease();
  // The second file of the release: the first has been set aside when the switch meets it.
  HANDLE held = CreateFileA(FInstall.At("data\\devices.ini").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const auto start = Clock::now();
  std::string failure;
  const bool committed = CommitRelease(test::TestReleaseSteps(), failure);
  const auto waited = Clock::now() - start;
  EXPECT_FALSE(committed);
  EXPECT_NE(failure.find("devices.ini"), std::string::npos) << failure;
  // Given up after the retry, not at once.
  EXPECT_GE(waited, std::chrono::seconds(4));
  EXPECT_EQ(test::StrayFiles(), "");
  EXPECT_FALSE(ReadJournal().Present);
  // The held file cannot be read while it is held.
  CloseHandle(held);
  EXPECT_EQ(test::ReleaseState(), "old");
}

// What holds the old copy: a running program started from the installation, or a library this
// process has loaded from it. Either way the switch succeeds; an old copy that cannot be deleted
// yet stays set aside until the next run's sweep, after its holder has let it go.
TEST_F(ReleaseCommitWin, AProgramOrLibraryInUseIsSetAsideAndTheSwitchSucceeds) {
  const std::filesystem::path library =
      std::filesystem::path(test::OwnProgramPath()).parent_path() / "qvx_loadable_library.dll";
  ASSERT_TRUE(std::filesystem::exists(library)) << library;
  struct Case {
    const char* name;
    bool program;
    bool keepAside;
  } cases[] = {
      {"a running program", true, false},
      {"a running program kept aside", true, true},
      {"a loaded library", false, false},
  };
  int row = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A name of its own per row: a program's start is seen by the mark file beside it.
    const std::string name = (c.program ? "helper" : "plugin") + std::to_string(++row);
    const std::string target = FInstall.At(name + (c.program ? ".exe" : ".dll"));
    HANDLE process = nullptr;
    HMODULE module = nullptr;
    if (c.program) {
      test::InstallFakeProgram(target);
      std::string line = "\"" + target + "\" --window --lifetime=20000";
      STARTUPINFOA startup = {};
      startup.cb = sizeof startup;
      PROCESS_INFORMATION info = {};
      ASSERT_TRUE(CreateProcessA(target.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info));
      CloseHandle(info.hThread);
      process = info.hProcess;
      ASSERT_TRUE(test::WaitUntil([&] { return !test::FakeProgramMark(target).empty(); }));
    } else {
      std::filesystem::copy_file(library, target);
      module = LoadLibraryA(target.c_str());
      ASSERT_NE(module, nullptr);
    }
    const std::string oldBytes = ReadWholeFile(target);
    TCommitStep step = StagedStep(target, "the new release's " + std::string(c.name));
    step.KeepAside = c.keepAside;
    std::string failure;
    EXPECT_TRUE(CommitRelease({step}, failure)) << failure;
    EXPECT_EQ(ReadWholeFile(target), "the new release's " + std::string(c.name));
    EXPECT_FALSE(FileExists(step.Staged));
    EXPECT_FALSE(ReadJournal().Present);
    const bool keptAside = FileExists(step.Aside);
    if (c.keepAside) EXPECT_TRUE(keptAside);
    if (keptAside) EXPECT_EQ(ReadWholeFile(step.Aside), oldBytes);
    std::printf("%s: the old copy %s\n", c.name, keptAside ? "stayed set aside" : "was deleted");

    // The holder lets go; the next run's sweep takes the set-aside copy.
    if (process) {
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
    }
    if (module) FreeLibrary(module);
    EXPECT_EQ(DeleteKeptAside(AppPath), keptAside ? 1u : 0u);
    EXPECT_FALSE(FileExists(step.Aside));
    EXPECT_EQ(ReadWholeFile(target), "the new release's " + std::string(c.name));
  }
}

}  // namespace
}  // namespace qvx
