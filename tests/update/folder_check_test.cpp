// A folder that cannot be written is found before anything is fetched into it: one line says so
// and what to do, the files for it are not downloaded, and the tool is not closed for a
// replacement that could not be saved. Runs as root too: /sys refuses new files to everyone,
// natively and, as Z:\sys, under Wine; an immutable folder stands for a read-only installation.
#include "update/folder_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/file_system.h"
#include "platform/folder_probe.h"
#include "startup/globals.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/worker_run.h"
#include "update/run_outcome.h"

namespace qvx {
namespace {

#ifdef _WIN32
const std::string kSystemFolder = "Z:\\sys\\kernel\\";
#else
const std::string kSystemFolder = "/sys/kernel/";
#endif

const char kNewer[] = "2099-1-1-0-0-0";

class FolderCheck : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10}); }
  static void TearDownTestSuite() { SetWorkerPausesForTesting({}); }
  void SetUp() override {
    if (!FolderExists(kSystemFolder)) GTEST_SKIP() << "no " << kSystemFolder << " here";
    FInstall.Enter();
  }
  void TearDown() override {
    FInstall.Leave();
    ToolExePath.clear();
  }

  std::vector<std::string> Run(const std::string& folder, const std::string& list) {
    test::TestWebServer& web = test::TestWebServer::Instance();
    web.WriteFile(folder + "/up.txt", list);
    web.WriteFile(folder + "/a.txt", "new a");
    web.WriteFile(folder + "/b.txt", "new b");
    web.WriteFile(folder + "/x.ini", "new x");
    web.WriteFile(folder + "/qvxtool.exe", "new tool");
    UpdateBaseUrl = web.BaseUrl() + folder + "/";
    test::TRecordingStatusSink sink;
    return test::RunWorker(sink);
  }

  test::TTestInstallation FInstall;
};

TEST_F(FolderCheck, TheProbeTellsAndLeavesNothingBehind) {
  EXPECT_TRUE(FolderAcceptsNewFiles(FInstall.Path()));
  EXPECT_EQ(FInstall.List(), "data") << "the probe file is gone";
  EXPECT_FALSE(FolderAcceptsNewFiles(kSystemFolder));

  TFolderWriteCheck check;
  std::string line;
  EXPECT_FALSE(check.MaySave(kSystemFolder + "a.txt", line));
  EXPECT_EQ(line, TFolderWriteCheck::RefusalLine(kSystemFolder));
  EXPECT_NE(line.find("run the tool's installer"), std::string::npos) << line;
  EXPECT_FALSE(check.MaySave(kSystemFolder + "b.txt", line));
  EXPECT_EQ(line, "") << "one line per folder";
  EXPECT_TRUE(check.MaySave(FInstall.At("a.txt"), line));
  EXPECT_TRUE(check.MaySave(FInstall.At("no-such-folder\\a.txt"), line))
      << "a missing folder is left to the save to report";
}

TEST_F(FolderCheck, AToolThatCouldNotBeReplacedIsNotClosed) {
  ToolExePath = kSystemFolder + "qvxtool.exe";
  CurrentSetupId = 5;
  const std::vector<std::string> lines =
      Run("folder-check-tool", std::string("softid=6\r\nfilecount=2\r\nfilename0=qvxtool.exe\r\n") +
                                   "filedate0=" + kNewer + "\r\nfilename1=a.txt\r\nfiledate1=" +
                                   kNewer + "\r\nAppDate=2026-1-2\r\n");
  // No second "Fetching:" of the tool's closing, and no download of the tool.
  EXPECT_EQ(lines, (std::vector<std::string>{"Fetching:", TFolderWriteCheck::RefusalLine(kSystemFolder),
                                             "Fetching:a.txt", "Done."}));
  EXPECT_EQ(FInstall.Read("a.txt"), "new a");
  EXPECT_EQ(RunExitCode(), 1);
}

#ifndef _WIN32
// An installation folder that not even root may add files to, while it lasts.
class TImmutableFolder {
 public:
  explicit TImmutableFolder(const std::string& path) : FPath(path) {
    FFd = open(path.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    if (FFd >= 0 && ioctl(FFd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags |= FS_IMMUTABLE_FL;
      FImmutable = ioctl(FFd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    // Without the right to that, a folder without write permission does for anyone but root.
    if (!FImmutable && geteuid() != 0) FModeOnly = chmod(path.c_str(), 0555) == 0;
  }
  ~TImmutableFolder() {
    int flags = 0;
    if (FImmutable && ioctl(FFd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags &= ~FS_IMMUTABLE_FL;
      ioctl(FFd, FS_IOC_SETFLAGS, &flags);
    }
    if (FModeOnly) chmod(FPath.c_str(), 0755);
    if (FFd >= 0) close(FFd);
  }
  bool Works() const { return FImmutable || FModeOnly; }

 private:
  std::string FPath;
  int FFd = -1;
  bool FImmutable = false;
  bool FModeOnly = false;
};

TEST_F(FolderCheck, AReadOnlyInstallationFetchesNothingIntoItAndSaysSoOnce) {
  FInstall.Write("data\\keep.txt", "");
  TImmutableFolder readOnly(FInstall.Path().substr(0, FInstall.Path().size() - 1));
  if (!readOnly.Works()) GTEST_SKIP() << "cannot make a folder read-only here";
  const std::vector<std::string> lines =
      Run("folder-check-install", std::string("filecount=3\r\nfilename0=a.txt\r\nfiledate0=") +
                                      kNewer + "\r\nfilename1=data\\x.ini\r\nfiledate1=" + kNewer +
                                      "\r\nfilename2=b.txt\r\nfiledate2=" + kNewer +
                                      "\r\nAppDate=2026-1-2\r\n");
  EXPECT_EQ(lines, (std::vector<std::string>{"Fetching:", TFolderWriteCheck::RefusalLine(FInstall.Path()),
                                             "Fetching:x.ini", "Done."}));
  EXPECT_EQ(FInstall.Read("data\\x.ini"), "new x") << "the data folder could be written";
  EXPECT_FALSE(FInstall.Exists("a.txt"));
  EXPECT_FALSE(FInstall.Exists("b.txt"));
  EXPECT_EQ(RunExitCode(), 1);
}
#endif

}  // namespace
}  // namespace qvx
