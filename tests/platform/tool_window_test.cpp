// The tool's window and starting programs, against the fake tool: a real top-level window of
// class TfrmCat under Wine, a registered live process natively.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/process.h"
#include "platform/tool_window.h"
#include "support/fake_tool.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

using namespace std::chrono_literals;
using test::FakeProgramMark;
using test::WaitUntil;

constexpr char kClass[] = "TfrmCat";

class ToolWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UsePrivateWindowFolder(FFolder.At("windows"));
    ASSERT_FALSE(ToolWindowPresent(kClass)) << "a tool window from elsewhere is in the way";
  }
  void TearDown() override {
    // A tool that ignored the request ends by its lifetime; wait, so the next test starts clean.
    EXPECT_TRUE(WaitUntil([] { return !ToolWindowPresent(kClass); }, 15s));
  }
  test::TTempFolder FFolder;
};

TEST_F(ToolWindowTest, AToolThatClosesIsFoundAskedAndGone) {
  auto tool = test::InstallFakeProgram(FFolder.At("qvxtool.exe"));
  EXPECT_FALSE(PostToolWindowClose(kClass));
  ASSERT_TRUE(ShellOpen(tool.string(), "usb --lifetime=20000"));
  ASSERT_TRUE(WaitUntil([] { return ToolWindowPresent(kClass); }));
  EXPECT_EQ(FakeProgramMark(tool), "usb --lifetime=20000\n");
  EXPECT_TRUE(PostToolWindowClose(kClass));
  EXPECT_TRUE(WaitUntil([] { return !ToolWindowPresent(kClass); }, 5s));
  EXPECT_FALSE(PostToolWindowClose(kClass));
}

TEST_F(ToolWindowTest, AToolThatRefusesStaysAfterTheRequest) {
  auto tool = test::InstallFakeProgram(FFolder.At("qvxtool.exe"));
  ASSERT_TRUE(ShellOpen(tool.string(), "--ignore-close --lifetime=2500"));
  ASSERT_TRUE(WaitUntil([] { return ToolWindowPresent(kClass); }));
  EXPECT_TRUE(PostToolWindowClose(kClass));
  std::this_thread::sleep_for(700ms);
  EXPECT_TRUE(ToolWindowPresent(kClass));
  EXPECT_TRUE(PostToolWindowClose(kClass));
}

TEST_F(ToolWindowTest, CommandLinesAndShellOpenStartOnlyWhatExists) {
  auto setup = test::InstallFakeProgram(FFolder.At("with blank/setup.exe"));
  // The bare path, blanks and all, without quotes: found as Windows finds it.
  ASSERT_TRUE(RunCommandLine(setup.string()));
  EXPECT_TRUE(WaitUntil([&] { return FakeProgramMark(setup) == "\n"; }));
  ASSERT_TRUE(RunCommandLine("\"" + setup.string() + "\" a \"b c\""));
  EXPECT_TRUE(WaitUntil([&] { return FakeProgramMark(setup) == "\na b c\n"; }));

  EXPECT_FALSE(RunCommandLine(FFolder.At("missing.exe")));
  EXPECT_FALSE(RunCommandLine(""));
  EXPECT_FALSE(ShellOpen(FFolder.At("missing.exe"), ""));
}

TEST_F(ToolWindowTest, RunProgramStartsExactlyThatFile) {
  // A program named like the first word of the folder ("qvx" for "qvx test"): an unquoted
  // command line would start it in place of the installer.
  auto decoy = test::InstallFakeProgram(FFolder.At("qvx.exe"));
  auto decoyPosix = FFolder.Write("qvx", test::FakeProgramBytes());
  // A program that arrived as plain bytes, as a download does, starts all the same.
  auto setup = FFolder.Write("qvx test/setup.exe", test::FakeProgramBytes());
  ASSERT_TRUE(RunProgram(setup));
  EXPECT_TRUE(WaitUntil([&] { return FakeProgramMark(setup) == "\n"; }));
  EXPECT_EQ(FakeProgramMark(decoy), "");
  EXPECT_EQ(FakeProgramMark(decoyPosix), "");
#ifndef _WIN32
  // The mode of nothing but the started file changes.
  EXPECT_NE(std::filesystem::status(decoyPosix).permissions() & std::filesystem::perms::owner_exec,
            std::filesystem::perms::owner_exec);
#endif
  EXPECT_FALSE(RunProgram(FFolder.At("missing.exe")));
  EXPECT_FALSE(RunProgram(FFolder.At("qvx test")));
}

#ifndef _WIN32
TEST_F(ToolWindowTest, TheRegisterCountsOnlyInAPrivateFolderAndForThisUsersProcesses) {
  const std::string folder = FFolder.At("windows");
  const uid_t me = geteuid();
  const uid_t stranger = 65534;  // "nobody"
  std::filesystem::create_directories(folder);
  // This test process stands for a live tool of this user; nothing here asks it to close.
  FFolder.Write("windows/TfrmCat", std::to_string(getpid()) + "\n");
  struct Case {
    const char* name;
    mode_t mode;
    uid_t owner;
    bool present;
  } cases[] = {
      {"private", 0700, me, true},
      {"readable by others", 0755, me, false},
      {"writable by all", 0777, me, false},
      {"another user's", 0700, stranger, false},  // only root can give a folder away
  };
  for (const auto& c : cases) {
    if (c.owner != me && me != 0) continue;
    ASSERT_EQ(chmod(folder.c_str(), c.mode), 0) << c.name;
    ASSERT_EQ(chown(folder.c_str(), c.owner, static_cast<gid_t>(-1)), 0) << c.name;
    EXPECT_EQ(ToolWindowPresent(kClass), c.present) << c.name;
  }
  ASSERT_EQ(chown(folder.c_str(), me, static_cast<gid_t>(-1)), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0700), 0);

  // A live process of another user, its pid in the private register: neither a window nor
  // signalled. As root that is a child that became "nobody"; otherwise process 1.
  pid_t other = 1;
  if (me == 0) {
    other = fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
      if (setuid(stranger) == 0) pause();
      _exit(0);
    }
    const std::string proc = "/proc/" + std::to_string(other);
    ASSERT_TRUE(WaitUntil([&] {
      struct stat st;
      return stat(proc.c_str(), &st) == 0 && st.st_uid == stranger;
    }));
  }
  FFolder.Write("windows/TfrmCat", std::to_string(other) + "\n");
  EXPECT_FALSE(ToolWindowPresent(kClass));
  EXPECT_FALSE(PostToolWindowClose(kClass));
  if (other != 1) {
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(waitpid(other, nullptr, WNOHANG), 0) << "the other user's process was signalled";
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
  }
  std::filesystem::remove(FFolder.At("windows/TfrmCat"));
}
#endif

}  // namespace
}  // namespace qvx
