// data\update.log: a run's lines with their times, the version and the address asked; the
// bound that drops the oldest half; and a log that cannot be written leaves the run alone.
#include "update/update_log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "startup/globals.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/worker_run.h"

namespace qvx {
namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "the log ends in the middle of a line";
  return lines;
}

class UpdateLog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10}); }
  static void TearDownTestSuite() { SetWorkerPausesForTesting({}); }
  void SetUp() override { FInstall.Enter(); }
  void TearDown() override { FInstall.Leave(); }

  std::vector<std::string> RunAgainst(const std::string& baseUrl) {
    UpdateBaseUrl = baseUrl;
    test::TRecordingStatusSink sink;
    return test::RunWorker(sink);
  }

  test::TTestInstallation FInstall;
};

TEST_F(UpdateLog, ARunLeavesItsVersionAddressAndEveryLineWithItsTime) {
  FInstall.Write("data\\update.log", "an earlier run\r\n");
  const std::vector<std::string> shown = RunAgainst("http://127.0.0.1:1/logged/");
  LogExitCode(2);

  std::vector<std::string> log = LinesOf(FInstall.Read("data\\update.log"));
  ASSERT_EQ(log.size(), shown.size() + 4) << FInstall.Read("data\\update.log");
  EXPECT_EQ(log[0], "an earlier run");
  const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  (.*))");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(log[1], m, stamp)) << log[1];
  EXPECT_EQ(m[1].str(), "--- qvxupdate " + ProgramVersion() +
                            ", update list http://127.0.0.1:1/logged/up.txt");
  EXPECT_TRUE(std::regex_match(ProgramVersion(), std::regex(R"(\d+\.\d+\.\d+)"))) << ProgramVersion();
  // After the list was asked for: the way it went, which only the log tells.
  ASSERT_TRUE(std::regex_match(log[3], m, stamp)) << log[3];
  EXPECT_EQ(m[1].str(), "--- connection: direct connection (no proxy is set)");
  log.erase(log.begin() + 3);
  for (size_t i = 0; i < shown.size(); ++i) {
    ASSERT_TRUE(std::regex_match(log[i + 2], m, stamp)) << log[i + 2];
    EXPECT_EQ(m[1].str(), shown[i]);
  }
  ASSERT_TRUE(std::regex_match(log.back(), m, stamp));
  EXPECT_EQ(m[1].str(), "--- exit code 2");
}

#ifdef _WIN32
// What the secure connection accepted without being able to check goes to the log, not to the
// window. Only the Windows back end checks revocation.
TEST_F(UpdateLog, ACertificateWhoseRevocationCouldNotBeCheckedIsLoggedNotShown) {
  test::TestWebServer& web = test::TestWebServer::Instance();
  web.TrustTestAuthority();
  web.WriteFile("log-revocation/up.txt", "filecount=0\r\nAppDate=2024-5-6\r\n");
  const std::vector<std::string> shown = RunAgainst(
      web.HttpsBaseUrl(test::TestWebServer::TlsSite::RevocationOffline) + "log-revocation/");
  EXPECT_EQ(shown, (std::vector<std::string>{"Fetching:", "Done."}));
  const std::string note =
      "the revocation of the certificate of localhost could not be checked (no distribution "
      "point, or its list out of reach); the certificate was accepted";
  const std::string log = FInstall.Read("data\\update.log");
  const size_t at = log.find(note);
  EXPECT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find(note, at + 1), std::string::npos) << "logged twice: " << log;
}
#endif

TEST_F(UpdateLog, StaysBelowItsBoundByDroppingTheOldestHalf) {
  std::string old;
  for (int i = 0; old.size() < kUpdateLogLimit - 60; ++i) old += "old line " + std::to_string(i) + "\r\n";
  const std::string lastOld = LinesOf(old).back();
  FInstall.Write("data\\update.log", old);

  for (int i = 0; i < 3; ++i) LogStatusLine("new line " + std::to_string(i));

  const std::string text = FInstall.Read("data\\update.log");
  EXPECT_LT(text.size(), static_cast<size_t>(kUpdateLogLimit));
  EXPECT_GT(text.size(), static_cast<size_t>(kUpdateLogLimit) * 2 / 5);
  const std::vector<std::string> log = LinesOf(text);
  EXPECT_EQ(log.front().rfind("old line ", 0), 0u) << "the cut falls between two lines: " << log.front();
  EXPECT_EQ(text.find("old line 0\r\n"), std::string::npos) << "the oldest lines go first";
  EXPECT_NE(text.find(lastOld + "\r\n"), std::string::npos) << "the newest old lines stay";
  ASSERT_GE(log.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const std::string& line = log[log.size() - 3 + i];
    EXPECT_EQ(line.substr(line.size() - 10), "new line " + std::to_string(i));
  }

  // A line larger than the bound itself is cut, and the bound still holds.
  LogStatusLine(std::string(kUpdateLogLimit + 10, 'x'));
  EXPECT_LT(FInstall.Read("data\\update.log").size(), static_cast<size_t>(kUpdateLogLimit));
}

TEST_F(UpdateLog, ALogThatCannotBeWrittenLeavesTheRunAsItIs) {
  // A folder where the log's file should be: no write to it can succeed.
  CreateFolder(FInstall.At("data\\update.log"));
  const std::vector<std::string> shown = RunAgainst("http://127.0.0.1:1/unlogged/");
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown.front(), "Fetching:");
  EXPECT_EQ(shown.back(), "Done.");
  EXPECT_TRUE(FolderExists(FInstall.At("data\\update.log")));
}

}  // namespace
}  // namespace qvx
