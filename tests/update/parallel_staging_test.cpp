// Whole releases staged several files at once against nginx: one connection per slot (nginx's
// log counts them), the files' lines in list order as each download starts, one Close that ends
// every transfer at once, a failure that stops none of the others, parallel=1 for one file after
// another, and a transfer cut by the network that the run itself resumes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/crypto.h"
#include "startup/globals.h"
#include "support/fake_tool.h"
#include "support/tcp_relay.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/web_server_client.h"
#include "support/worker_run.h"
#include "update/run_outcome.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace qvx {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kGet = "Fetching:";  // 147
const std::string kDone = "Done.";     // 146
const std::string kOldAppInfo = "AppDate=2015-3-20\r\n";

bool UnderWine() {
#ifdef _WIN32
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
  return false;
#endif
}

std::string Name(int i) { return "p" + std::to_string(i) + ".bin"; }

class ParallelStaging : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10}); }
  void SetUp() override {
    test::UsePrivateWindowFolder(FInstall.At("windows"));
    FInstall.Enter();
    FInstall.Write("data\\App.info", kOldAppInfo);
  }
  void TearDown() override { FInstall.Leave(); }

  // count files of size bytes in folder on nginx (absent: names left out on the server), and
  // their whole list; returns the contents.
  std::vector<std::string> Publish(const std::string& folder, int count, size_t size,
                                   const std::set<int>& absent = {}, int seed = 100) {
    auto& server = test::TestWebServer::Instance();
    std::vector<std::string> contents;
    std::string list = "wholerelease=1\r\nfilecount=" + std::to_string(count) + "\r\n";
    for (int i = 0; i < count; ++i) {
      contents.push_back(test::NoiseContent(size, seed + i));
      if (!absent.count(i)) server.WriteFile(folder + Name(i), contents.back());
      const std::string n = std::to_string(i);
      list += "filename" + n + "=" + Name(i) + "\r\nfiledate" + n + "=2099-1-1-0-0-0\r\nfilehash" + n + "=" +
              Sha256HexOf(contents.back()) + "\r\nfilesize" + n + "=" + std::to_string(size) + "\r\n";
    }
    server.WriteFile(folder + "up.txt", list + "AppDate=2024-5-6\r\n");
    return contents;
  }

  void ExpectNothingInstalled(int count) {
    for (int i = 0; i < count; ++i) EXPECT_FALSE(FInstall.Exists(Name(i))) << Name(i);
    EXPECT_EQ(FInstall.Read("data\\App.info"), kOldAppInfo);
    // Nothing staged, partial or temporary is left beside the installation.
    EXPECT_EQ(FInstall.List(), "config.ini data");
  }

  test::TTestInstallation FInstall;
};

TEST_F(ParallelStaging, FiftyFilesOverOneConnectionPerSlotForHttpAndHttps) {
  auto& server = test::TestWebServer::Instance();
  server.TrustTestAuthority();
  for (const bool https : {false, true}) {
    SCOPED_TRACE(https ? "https" : "http");
    SetUp();
    FInstall.Write("config.ini", "[Config]\r\n");
    const std::string folder = https ? "par50s/" : "par50/";
    const auto contents = Publish(folder, 50, 20000, {}, https ? 300 : 200);
    UpdateBaseUrl = (https ? server.HttpsBaseUrl(test::TestWebServer::TlsSite::Trusted) : server.BaseUrl()) + folder;
    test::TRecordingStatusSink sink;
    const auto lines = test::RunWorker(sink);
    // Each file's line as its download starts, in the order of the list.
    std::vector<std::string> expected{kGet};
    for (int i = 0; i < 50; ++i) expected.push_back(kGet + Name(i));
    expected.push_back(kDone);
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(RunExitCode(), 0);
    for (int i = 0; i < 50; ++i) EXPECT_TRUE(FInstall.Read(Name(i)) == contents[i]) << Name(i);

    std::map<uint64_t, int> perConnection;
    int resumed = 0;
    for (int i = 0; i < 50; ++i) {
      const auto log = server.AccessLogFor(folder + Name(i));
      ASSERT_EQ(log.size(), 1u) << Name(i);
      ++perConnection[log[0].Connection];
      resumed += log[0].SessionReused;
    }
    // Six slots by default, each on the connection it opened for its first file.
    EXPECT_LE(perConnection.size(), 6u);
    EXPECT_GE(perConnection.size(), 2u);
    // The slots' connections resume the TLS session that an earlier connection left (Wine's
    // Schannel resumes none). Not every one does: slots that start together may each make a
    // session of their own.
    if (https && !UnderWine()) EXPECT_GT(resumed, 0);
    TearDown();
  }
}

TEST_F(ParallelStaging, CloseEndsEveryTransferAtOnceAndAFailureStopsNoOtherFile) {
  auto& server = test::TestWebServer::Instance();
  {
    SCOPED_TRACE("Close");
    FInstall.Write("config.ini", "[Config]\r\nparallel=4\r\n");
    // At the slow rate each file would take four seconds.
    Publish("parclose/", 7, 262144);
    UpdateBaseUrl = server.SlowBaseUrl() + "parclose/";
    test::TRecordingStatusSink sink;
    Clock::time_point closed;
    const auto begin = Clock::now();
    const auto lines = test::RunWorker(sink, [&](TDownShareFileThread& worker) {
      sink.OnLine = [&](const std::string& line) {
        // Once every slot has a transfer running.
        if (line == kGet + Name(3)) {
          closed = Clock::now();
          worker.CancelTransfer();
          worker.Terminate();
        }
      };
    });
    EXPECT_LT(Clock::now() - closed, std::chrono::seconds(2));
    EXPECT_LT(Clock::now() - begin, std::chrono::seconds(3));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "The release was not installed: the update was stopped with 0 of 7 files fetched; "
                            "nothing was changed.");
    for (int i = 4; i < 7; ++i) EXPECT_TRUE(server.AccessLogFor("parclose/" + Name(i)).empty()) << Name(i);
    EXPECT_EQ(RunExitCode(), 1);
    ExpectNothingInstalled(7);
  }
  {
    SCOPED_TRACE("one file missing");
    SetUp();
    FInstall.Write("config.ini", "[Config]\r\n");
    Publish("parfail/", 12, 5000, {3});
    UpdateBaseUrl = server.BaseUrl() + "parfail/";
    test::TRecordingStatusSink sink;
    const auto lines = test::RunWorker(sink);
    // Every other file was fetched all the same.
    for (int i = 0; i < 12; ++i) {
      const auto log = server.AccessLogFor("parfail/" + Name(i));
      ASSERT_EQ(log.size(), 1u) << Name(i);
      EXPECT_EQ(log[0].Status, i == 3 ? 404 : 200) << Name(i);
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(std::find(lines.begin(), lines.end(), " Socket err:404"), lines.end());
    EXPECT_EQ(lines.back(), "The release was not installed: 1 of 12 files failed; nothing was changed.");
    EXPECT_EQ(RunExitCode(), 1);
    ExpectNothingInstalled(12);
  }
}

TEST_F(ParallelStaging, ParallelOneStagesOnTheListsConnectionAndACutTransferIsResumed) {
  auto& server = test::TestWebServer::Instance();
  FInstall.Write("config.ini", "[Config]\r\nparallel=1\r\n");
  // One file of 3 MiB; the relay drops the first connection (the list's, kept for the file) at
  // 60% of the file.
  const size_t size = 3u << 20;
  const auto contents = Publish("parcut/", 1, size);
  test::TcpRelay::Options cut;
  cut.CutAfter = static_cast<int64_t>(size) * 6 / 10;
  test::TcpRelay relay("127.0.0.1", server.Port(), cut);
  UpdateBaseUrl = "http://127.0.0.1:" + std::to_string(relay.Port()) + "/parcut/";
  test::TRecordingStatusSink sink;
  const auto lines = test::RunWorker(sink);
  EXPECT_EQ(lines, (std::vector<std::string>{kGet, kGet + Name(0),
                                             "The transfer of \"" + Name(0) + "\" broke off; it is resumed (1 of 3).",
                                             kDone}));
  EXPECT_TRUE(FInstall.Read(Name(0)) == contents[0]);
  EXPECT_EQ(FInstall.List(), "config.ini data " + Name(0));
  const auto list = server.AccessLogFor("parcut/up.txt");
  const auto file = server.AccessLogFor("parcut/" + Name(0));
  ASSERT_EQ(list.size(), 1u);
  ASSERT_EQ(file.size(), 2u);
  // The file went on the list's connection; the second request asked for the rest only.
  EXPECT_EQ(file[0].Connection, list[0].Connection);
  EXPECT_EQ(file[1].Status, 206);
  EXPECT_LE(file[1].Sent, size * 45 / 100);
  EXPECT_EQ(relay.Connections(), 2);
}

}  // namespace
}  // namespace qvx
