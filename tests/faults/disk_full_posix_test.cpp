// Update runs on a disk that refuses writes half-way (the file-size limit of the process, with
// SIGXFSZ ignored, so a write past it fails with EFBIG as a full disk would fail it): the file
// that does not fit keeps its old bytes and leaves nothing beside it, the line says why, and the
// run goes on. When not even data/App.info can be written, the run stops with Retry and nothing
// installed has changed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "startup/globals.h"
#include "support/file_size_limit.h"
#include "support/script_server.h"
#include "support/test_installation.h"
#include "support/worker_run.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::OkAnswer;
using test::ServerScript;

const std::string kOldAppInfo = "Owner=kept\r\nAppDate=2015-3-20\r\n";
const std::string kNewAppInfo = "Owner=kept\r\nAppDate=2024-5-6\r\n";
const std::string kList =
    "filecount=3\r\nfilename0=small.txt\r\nfiledate0=2099-1-1-0-0-0\r\nfilename1=big.bin\r\n"
    "filedate1=2099-1-1-0-0-0\r\nfilename2=last.txt\r\nfiledate2=2099-1-1-0-0-0\r\nAppDate=2024-5-6\r\n";

class DiskFull : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10}); }
  static void TearDownTestSuite() { SetWorkerPausesForTesting({}); }

  void SetUp() override {
    FInstall.Enter();
    FInstall.Write("data\\App.info", kOldAppInfo);
    FInstall.Write("small.txt", "old small");
    FInstall.Write("big.bin", FOldBig);
    FInstall.Write("last.txt", "old last");
  }
  void TearDown() override { FInstall.Leave(); }

  std::vector<std::string> Run(uint64_t limit, bool& retry) {
    ScriptServer server({ServerScript().Answer(OkAnswer(kList)),
                         ServerScript().Answer(OkAnswer("new small")),
                         ServerScript().Answer(OkAnswer(FNewBig)),
                         ServerScript().Answer(OkAnswer("new last"))});
    UpdateBaseUrl = server.BaseUrl() + "/qvx/";
    test::TRecordingStatusSink sink;
    std::vector<std::string> lines;
    {
      test::TFileSizeLimit disk(limit);
      lines = test::RunWorker(sink);
    }
    retry = sink.RetryEnabled;
    return lines;
  }

  void ExpectNoStrayFiles() {
    EXPECT_EQ(FInstall.List(), "big.bin data last.txt small.txt");
    EXPECT_EQ(FInstall.List("data"), "App.info Language.ini update.log");
  }

  test::TTestInstallation FInstall;
  const std::string FOldBig = std::string(1000, 'o');
  const std::string FNewBig = std::string(300000, 'n');
};

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

TEST_F(DiskFull, AFileThatDoesNotFitKeepsItsOldBytesAndTheRunGoesOn) {
  bool retry = false;
  const std::vector<std::string> lines = Run(100000, retry);
  ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[2], "Fetching:big.bin");
  EXPECT_TRUE(StartsWith(lines[3], "Cannot create file \"" + FInstall.At("big.bin") + "\". "))
      << lines[3];
  EXPECT_EQ(lines[4], "Fetching:last.txt");
  EXPECT_EQ(lines[5], "Done.");
  EXPECT_FALSE(retry);
  EXPECT_TRUE(FInstall.Read("big.bin") == FOldBig);
  EXPECT_EQ(FInstall.Read("small.txt"), "new small");
  EXPECT_EQ(FInstall.Read("last.txt"), "new last");
  EXPECT_EQ(FInstall.Read("data\\App.info"), kNewAppInfo);
  ExpectNoStrayFiles();
}

TEST_F(DiskFull, NothingFitsNotEvenTheVersionRecord) {
  bool retry = false;
  const std::vector<std::string> lines = Run(4, retry);
  ASSERT_EQ(lines.size(), 8u) << ::testing::PrintToString(lines);
  for (size_t i : {2u, 4u, 6u}) EXPECT_TRUE(StartsWith(lines[i], "Cannot create file \"")) << lines[i];
  EXPECT_TRUE(StartsWith(lines[7], "Cannot create file \"" + FInstall.Path() + "data\\App.info\". "))
      << lines[7];
  EXPECT_TRUE(retry);
  EXPECT_TRUE(FInstall.Read("big.bin") == FOldBig);
  EXPECT_EQ(FInstall.Read("small.txt"), "old small");
  EXPECT_EQ(FInstall.Read("last.txt"), "old last");
  EXPECT_EQ(FInstall.Read("data\\App.info"), kOldAppInfo);
  ExpectNoStrayFiles();
}

}  // namespace
}  // namespace qvx
