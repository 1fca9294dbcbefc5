// The steps of a release besides its files, in whole runs against the test web server: the
// files a list removes, and the updater's own file. Each row of the removal table installs a
// small old release, serves a list with one removal, runs the worker and reads the folder back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/crypto.h"
#include "platform/launch_facts.h"
#include "platform/running_program.h"
#include "startup/globals.h"
#include "support/fake_tool.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/worker_run.h"
#include "update/release_commit.h"
#include "update/run_outcome.h"

namespace qvx {
namespace {

const std::string kGet = "Fetching:";  // 147
const std::string kDone = "Done.";     // 146
const std::string kOld = "old";

class ReleaseExtras : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10}); }
  void SetUp() override { test::UsePrivateWindowFolder(FInstall.At("windows")); }
  void TearDown() override {
    SetCommitStepHookForTesting(nullptr);
    FInstall.Leave();
    ToolExePath.clear();
  }

  // A fresh installation: each file of files with its bytes, the tool's executable at
  // ToolExePath (not running).
  void Install(const std::map<std::string, std::string>& files) {
    FInstall.Enter();
    for (const auto& [name, bytes] : files) FInstall.Write(name, bytes);
    ToolExePath = FInstall.Write("qvxtool.exe", kOld);
    CurrentSetupId = 5;
  }

  // Serves the list (its lines joined by CR LF) and the files beside it in a folder of the test
  // web server, and runs the worker against it.
  std::vector<std::string> Run(const std::string& folder, const std::vector<std::string>& list,
                               const std::map<std::string, std::string>& served = {}) {
    test::TestWebServer& server = test::TestWebServer::Instance();
    std::string text;
    for (const std::string& line : list) text += line + "\r\n";
    server.WriteFile(folder + "/up.txt", text);
    for (const auto& [name, bytes] : served) server.WriteFile(folder + "/" + name, bytes);
    UpdateBaseUrl = server.BaseUrl() + folder + "/";
    test::TRecordingStatusSink sink;
    return test::RunWorker(sink);
  }

  test::TTestInstallation FInstall;
};

struct TRemovalRow {
  std::string Name;
  bool Whole;
  std::map<std::string, std::string> Installed;  // besides the tool
  std::string Removed;                           // the removal's path
  std::vector<std::string> Lines;                // between the first line and the last
  std::map<std::string, std::string> After;      // files that must hold these bytes
  std::vector<std::string> Gone;                 // files and folders that must be gone
  int ExitCode = 0;
};

TEST_F(ReleaseExtras, ARemovalDeletesOnlyAnUnchangedCopyOfAFileOfTheTool) {
  const std::string removedLine = "Removed \"plugins\\old.dll\" (no longer part of the tool).";
  const std::map<std::string, std::string> plugin = {{"plugins\\old.dll", kOld}};
  const std::vector<TRemovalRow> rows = {
      {"MatchingHash", false, plugin, "plugins\\old.dll", {removedLine}, {}, {"plugins"}},
      {"MatchingHashOfAWholeList", true, plugin, "plugins\\old.dll", {removedLine}, {}, {"plugins"}},
      {"ChangedByTheUser", false, {{"plugins\\old.dll", "the user's"}}, "plugins\\old.dll", {},
       {{"plugins\\old.dll", "the user's"}}, {}},
      {"AKeptDataFile", true, {{"data\\remote.db", kOld}}, "data\\remote.db", {}, {{"data\\remote.db", kOld}}, {}},
      {"LeavesTheFolder", false, plugin, "plugins\\..\\..\\old.dll",
       {"Skipped the removal of \"plugins\\..\\..\\old.dll\": the name leaves the installation folder."},
       plugin, {}},
      {"TheToolsFile", true, {}, "qvxtool.exe", {}, {{"qvxtool.exe", kOld}}, {}},
      {"AFolder", false, plugin, "plugins", {}, plugin, {}},
  };
  for (const TRemovalRow& row : rows) {
    SCOPED_TRACE(row.Name);
    Install(row.Installed);
    std::vector<std::string> list = {"softid=5", "filecount=0", "removed0=" + row.Removed,
                                     "removedhash0=" + Sha256HexOf("x") + "," + Sha256HexOf(kOld)};
    if (row.Whole) list.insert(list.begin(), "wholerelease=1");
    std::vector<std::string> expected = {kGet};
    expected.insert(expected.end(), row.Lines.begin(), row.Lines.end());
    expected.push_back(kDone);

    EXPECT_EQ(Run("removal-" + row.Name, list), expected);
    for (const auto& [name, bytes] : row.After) EXPECT_EQ(FInstall.Read(name), bytes) << name;
    for (const std::string& name : row.Gone) EXPECT_FALSE(FInstall.Exists(name)) << name;
    EXPECT_EQ(RunExitCode(), row.ExitCode);
    EXPECT_FALSE(FInstall.Exists("plugins\\.old.dll.qvxold"));
    FInstall.Leave();
  }
}

// Under a whole list a removal that fails undoes the whole release, like any other file of it.
TEST_F(ReleaseExtras, AFailedRemovalOfAWholeListLeavesTheOldReleaseWhole) {
  Install({{"a.txt", "old a"}, {"plugins\\old.dll", kOld}});
  // A rename is refused when its new name is taken (root ignores permissions): a folder at the
  // removed file's set-aside name once the journal is on the disk.
  SetCommitStepHookForTesting([this](int step) {
    if (step == 0) FInstall.Write("plugins\\.old.dll.qvxold\\inside.txt", "x");
  });
  const std::vector<std::string> lines =
      Run("removal-fails-whole",
          {"softid=5", "wholerelease=1", "filecount=1", "filename0=a.txt", "filedate0=2099-1-1-0-0-0",
           "filehash0=" + Sha256HexOf("new a"), "filesize0=5", "removed0=plugins\\old.dll",
           "removedhash0=" + Sha256HexOf(kOld)},
          {{"a.txt", "new a"}});
  SetCommitStepHookForTesting(nullptr);
  ASSERT_EQ(lines.size(), 4u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[2].rfind("Cannot move \"", 0), 0u) << lines[2];
  EXPECT_NE(lines[2].find("old.dll"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[3], "The release was not installed: its files could not be put in place; nothing was changed.");
  EXPECT_EQ(FInstall.Read("a.txt"), "old a");
  EXPECT_EQ(FInstall.Read("plugins\\old.dll"), kOld);
  EXPECT_FALSE(FInstall.Exists(".a.txt.qvxold"));
  EXPECT_FALSE(FInstall.Exists("data\\update.journal"));
  EXPECT_EQ(RunExitCode(), 1);
}

#ifdef _WIN32
// Under a list applied file by file a removal that fails is a line, and the run goes on.
TEST_F(ReleaseExtras, AFailedRemovalOfAListAppliedFileByFileIsALine) {
  Install({{"plugins\\old.dll", kOld}, {"plugins\\other.dll", kOld}});
  // Open without sharing its deletion, as a program that uses the file holds it.
  std::ifstream held(FInstall.At("plugins\\old.dll"), std::ios::binary);
  ASSERT_TRUE(held.is_open());
  const std::vector<std::string> lines =
      Run("removal-fails-per-file", {"softid=5", "filecount=0", "removed0=plugins\\old.dll",
                                     "removedhash0=" + Sha256HexOf(kOld), "removed1=plugins\\other.dll",
                                     "removedhash1=" + Sha256HexOf(kOld)});
  held.close();
  ASSERT_EQ(lines.size(), 4u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[1].rfind("\"plugins\\old.dll\" is no longer part of the tool, but could not be removed: ", 0), 0u)
      << lines[1];
  EXPECT_EQ(lines[2], "Removed \"plugins\\other.dll\" (no longer part of the tool).");
  EXPECT_EQ(lines[3], kDone);
  EXPECT_EQ(FInstall.Read("plugins\\old.dll"), kOld);
  EXPECT_FALSE(FInstall.Exists("plugins\\other.dll"));
  EXPECT_EQ(RunExitCode(), 1);
}
#endif

// The updater's own file from a list that gives its hash, on either road: replaced, one line;
// where the system holds a running program's file, the old copy stays beside it until the next
// run's start. An entry of its name in a folder, or one without a hash, is passed over.
TEST_F(ReleaseExtras, TheUpdatersOwnFileIsReplacedOnlyFromAnEntryWithItsHash) {
  const std::string updated = "The updater was updated; the new version runs next time.";
  const std::string newUpdater = "new updater";
  for (const bool whole : {false, true}) {
    SCOPED_TRACE(whole ? "whole" : "file by file");
    Install({{"qvxupdate.exe", "old updater"}, {"bin\\qvxupdate.exe", "another"}});
    const std::string hash = Sha256HexOf(newUpdater);
    std::vector<std::string> list = {
        "softid=5", "filecount=2", "filename0=bin\\qvxupdate.exe", "filedate0=2099-1-1-0-0-0",
        "filehash0=" + hash, "filename1=.\\QVXUPDATE.EXE", "filedate1=2099-1-1-0-0-0", "filehash1=" + hash};
    if (whole) list.insert(list.begin(), "wholerelease=1");
    const std::string folder = std::string("self-update-") + (whole ? "whole" : "per-file");
    const std::vector<std::string> lines = Run(folder, list, {{"QVXUPDATE.EXE", newUpdater}});

    EXPECT_EQ(lines, (std::vector<std::string>{kGet, kGet + "QVXUPDATE.EXE", updated, kDone}));
    EXPECT_EQ(FInstall.Read("qvxupdate.exe"), newUpdater);
    EXPECT_EQ(FInstall.Read("bin\\qvxupdate.exe"), "another");
    EXPECT_EQ(FInstall.Exists(".qvxupdate.exe.qvxold"), kRunningProgramFileHeld);
    EXPECT_THAT(FInstall.Read("data\\update.log"), ::testing::HasSubstr(updated));
    EXPECT_EQ(RunExitCode(), 0);

    // The next run starts, and only then does the old copy go; its content is now the listed
    // one, so nothing is fetched.
    EXPECT_EQ(Run(folder, list), (std::vector<std::string>{kGet, kDone}));
    EXPECT_FALSE(FInstall.Exists(".qvxupdate.exe.qvxold"));
    FInstall.Leave();
  }
  // Without a hash the entry is passed over, as it always was.
  Install({{"qvxupdate.exe", "old updater"}});
  EXPECT_EQ(Run("self-update-unhashed", {"filecount=1", "filename0=qvxupdate.exe", "filedate0=2099-1-1-0-0-0"},
                {{"qvxupdate.exe", newUpdater}}),
            (std::vector<std::string>{kGet, kDone}));
  EXPECT_EQ(FInstall.Read("qvxupdate.exe"), "old updater");
}

}  // namespace
}  // namespace qvx
