// The whole road of a signed release: qvxpublish makes a key and publishes signed and packed,
// nginx serves the folder, the update worker of an installation that holds the key brings it
// up to date; then the served files are tampered with and the installation stays as it was.
#include <gtest/gtest.h>

#include "net/body_packer.h"
#include "publish_fixture.h"
#include "startup/globals.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/worker_run.h"

namespace qvx {
namespace {

const std::string kGet = "Fetching:";
const std::string kDone = "Done.";

class SignedRoundTrip : public PublishTest {
 protected:
  void SetUp() override {
    PublishTest::SetUp();
    test::PrepareWorkerRuns({20, 10, 10000});
    FInstall.Enter();
  }
  void TearDown() override {
    FInstall.Leave();
    SetWorkerPausesForTesting({});
    PublishTest::TearDown();
  }

  std::vector<std::string> Update() {
    test::TRecordingStatusSink sink;
    return test::RunWorker(sink);
  }

  test::TTestInstallation FInstall;
};

TEST_F(SignedRoundTrip, NginxServesASignedReleaseThatOnlyArrivesUntampered) {
  test::TestWebServer* server = WebServer();
  ASSERT_NE(server, nullptr);
  const std::map<std::string, std::string> release = {
      {"big.bin", std::string(300000, 'B') + "end"},
      {"data/x.ini", "[Config]\r\nlang=1\r\n"},
      {"readme.txt", "read me"}};
  for (const auto& [path, bytes] : release) Put(path, bytes);
  const fs::path served = ServedFolder(*server, "signed-roundtrip");
  const TRunResult key = Run({"keygen", (FRoot / "publisher.pem").u8string()});
  ASSERT_EQ(key.Code, 0) << key.Err;
  const size_t at = key.Out.find("UpdateKey=");
  ASSERT_NE(at, std::string::npos);
  FInstall.Write("data\\Product.ini", "[Product]\r\n" + key.Out.substr(at));
  const TRunResult r = Run({Release().u8string(), served.u8string(), "--softid", "3", "--pack",
                            "--sign", (FRoot / "publisher.pem").u8string()});
  ASSERT_EQ(r.Code, 0) << r.Err;
  UpdateBaseUrl = server->BaseUrl() + "signed-roundtrip/";

  EXPECT_EQ(Update(), (std::vector<std::string>{kGet, kGet + "big.bin", kGet + "x.ini",
                                                kGet + "readme.txt", kDone}));
  for (const auto& [path, bytes] : release) EXPECT_EQ(FInstall.Read(path), bytes) << path;
  EXPECT_NE(FInstall.Read("data\\App.info").find("ListSerial=1\r\n"), std::string::npos);

  // Up to date: the content matches, whatever the dates, so nothing is fetched.
  EXPECT_EQ(Update(), (std::vector<std::string>{kGet, kDone}));

  // A file swapped on the server (both forms nginx may send) is refused by its hash.
  FInstall.Write("readme.txt", "damaged copy");
  std::ofstream(served / "readme.txt", std::ios::binary) << "evil";
  std::ofstream(served / "readme.txt.gz", std::ios::binary) << CompressBody("evil");
  const std::vector<std::string> swapped = Update();
  ASSERT_EQ(swapped.size(), 4u) << ::testing::PrintToString(swapped);
  EXPECT_EQ(swapped[2].rfind("\"readme.txt\" was not saved", 0), 0u) << swapped[2];
  EXPECT_EQ(FInstall.Read("readme.txt"), "damaged copy");

  // A list changed on the server is refused whole.
  const std::string appInfo = FInstall.Read("data\\App.info");
  fs::remove(served / "up.txt.gz");
  std::ofstream(served / "up.txt", std::ios::binary | std::ios::app) << "filename9=evil.exe\r\n";
  const std::vector<std::string> refused = Update();
  ASSERT_EQ(refused.size(), 2u) << ::testing::PrintToString(refused);
  EXPECT_EQ(refused[1].rfind("The update list was refused:", 0), 0u) << refused[1];
  EXPECT_EQ(FInstall.Read("data\\App.info"), appInfo);
  fs::remove_all(served);
}

}  // namespace
}  // namespace qvx
