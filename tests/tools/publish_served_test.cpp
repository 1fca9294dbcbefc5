// A packed publication served by nginx with the lines qvxpublish prints, fetched the way the
// update worker fetches: one client, "Accept-Encoding: gzip", unpacked when marked gzip.
#include <gtest/gtest.h>

#include "net/body_unpack.h"
#include "net/http_client.h"
#include "publish_fixture.h"
#include "support/test_web_server.h"

namespace qvx {
namespace {

// The body the worker would save: the document, unpacked when the response names gzip.
std::string FetchAsTheUpdater(THttpClient& http, const std::string& url, bool& markedGzip) {
  http.ResetRequest();
  http.Headers.Add("Accept-Encoding: gzip");
  if (!http.ExecuteMethod("GET", url) || http.ResultCode != 200) return "<fetch failed>";
  markedGzip = http.Headers.JoinedText().find("gzip") != std::string::npos;
  return markedGzip ? UnCompressBody(http.Document.Bytes()) : http.Document.Bytes();
}

TEST_F(PublishTest, NginxServesThePackedPublicationToTheUpdatersClient) {
  test::TestWebServer* server = WebServer();
  ASSERT_NE(server, nullptr);
  const std::map<std::string, std::string> release = {
      {"qvxtool.exe", std::string(200000, 'T') + "end"},
      {"data/x.ini", "[Config]\r\nlang=1\r\nproxySvr=\r\nproxtPort=8000\r\n[Config]\r\nlang=1\r\n"},
      {"lang/de/text.txt", "Hallo"}};  // too small to gain from packing: served plain
  for (const auto& [path, bytes] : release) Put(path, bytes);
  const fs::path served = ServedFolder(*server, "publish-served");
  const TRunResult r = Run({Release().u8string(), served.u8string(), "--softid", "3", "--pack"});
  ASSERT_EQ(r.Code, 0) << r.Err;

  THttpClient http;
  http.Timeout = 10000;
  const std::string base = server->BaseUrl() + "publish-served/";
  bool gzip = false;
  const std::string list = FetchAsTheUpdater(http, base + "up.txt", gzip);
  EXPECT_TRUE(gzip) << "up.txt was not sent packed";
  EXPECT_EQ(list, ReadFileBytes(served / "up.txt"));
  for (const auto& [path, bytes] : release) {
    const std::string name = fs::u8path(path).filename().u8string();
    gzip = false;
    EXPECT_EQ(FetchAsTheUpdater(http, base + name, gzip), bytes) << name;
    EXPECT_EQ(gzip, name != "text.txt") << name;
  }

  // Through the proxy the server may send either form; the updater must end up with the file.
  http.ProxyHost = "127.0.0.1";
  http.ProxyPort = std::to_string(server->ProxyPort());
  EXPECT_EQ(FetchAsTheUpdater(http, base + "qvxtool.exe", gzip), release.at("qvxtool.exe"));
  fs::remove_all(served);
}

}  // namespace
}  // namespace qvx
