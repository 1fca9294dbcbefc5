// A large download cut by the network and resumed against nginx: the second request carries only
// the rest of the file, as nginx's own count of the bytes it sent shows.
#include <gtest/gtest.h>

#include "net/http_client.h"
#include "platform/crypto.h"
#include "platform/file_append.h"
#include "support/tcp_relay.h"
#include "support/temp_folder.h"
#include "support/test_web_server.h"
#include "support/web_server_client.h"
#include "update/file_download.h"
#include "update/partial_download.h"

namespace qvx {
namespace {

TEST(ResumedDownloadServers, AFileCutAtSixtyPercentIsResumedForTheRestOnly) {
  auto& server = test::TestWebServer::Instance();
  const uint64_t size = uint64_t{100} << 20;
  const std::string content = test::NoiseContent(static_cast<size_t>(size), 24);
  server.WriteFile("resume/cut-100m.bin", content);
  TSha256 sha;
  sha.Update(content);
  TExpectedContent expected;
  expected.Hash = sha.FinishHex();
  expected.Size = static_cast<int64_t>(size);

  test::TcpRelay::Options cut;
  cut.CutAfter = static_cast<int64_t>(size) * 6 / 10;
  test::TcpRelay relay("127.0.0.1", server.Port(), cut);
  const std::string url = "http://127.0.0.1:" + std::to_string(relay.Port()) + "/resume/cut-100m.bin";
  test::TTempFolder dir;
  const std::string target = dir.At("cut-100m.bin");
  {
    THttpClient http;
    http.Timeout = 20000;
    http.Headers.Add("Accept-Encoding: gzip");
    EXPECT_EQ(DownloadToFileResumable(http, url, target, expected), TFileDownloadResult::Broken);
  }
  const int64_t kept = FileSizeAt(PartialDataPath(target));
  EXPECT_GT(kept, cut.CutAfter - 65536 * 2);
  EXPECT_LE(kept, cut.CutAfter);
  EXPECT_FALSE(dir.Exists("cut-100m.bin"));
  {
    THttpClient http;
    http.Timeout = 20000;
    http.Headers.Add("Accept-Encoding: gzip");
    ASSERT_EQ(DownloadToFileResumable(http, url, target, expected), TFileDownloadResult::Saved);
  }
  // Saved means the whole file matched its hash; nothing is left beside it.
  EXPECT_EQ(dir.List(), "cut-100m.bin");
  EXPECT_EQ(relay.Connections(), 2);
  const auto log = server.AccessLogFor("resume/cut-100m.bin");
  ASSERT_GE(log.size(), 2u);
  const auto& resumed = log.back();
  EXPECT_EQ(resumed.Status, 206);
  // The second request's bytes on the wire, head included: the rest, at most 45% of the file.
  EXPECT_LE(resumed.Sent, size * 45 / 100);
  EXPECT_GE(resumed.Sent, size - static_cast<uint64_t>(kept));
}

}  // namespace
}  // namespace qvx
