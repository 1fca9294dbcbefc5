// The tool's window and starting programs, against the fake tool: a real top-level window of
// class TfrmCat under Wine, a registered live process natively.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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

}  // namespace
}  // namespace qvx
