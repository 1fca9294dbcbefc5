// Against real peers: nginx as the update server and tinyproxy as the HTTP proxy.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <thread>

#include "net/body_unpack.h"
#include "net/http_client.h"
#include "support/test_web_server.h"
#include "support/web_server_client.h"

namespace qvx {
namespace {

using test::TestWebServer;
using Events = std::vector<std::pair<int32_t, int32_t>>;

class HttpServers : public test::WebServerClientTest {
 protected:
  bool HeaderPresent(const std::string& prefix) const {
    for (int i = 0; i < http.Headers.Count(); ++i)
      if (http.Headers.LineAt(i).compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }
};

Events BlockEvents(size_t length) {
  Events e;
  const int32_t blocks = static_cast<int32_t>((length + 65535) / 65536);
  for (int32_t i = 1; i <= blocks; ++i) e.emplace_back(i, blocks);
  return e;
}

TEST_F(HttpServers, FilesOfEverySizeDirectAndThroughTheProxy) {
  const size_t sizes[] = {0, 1, 65536, 150000, (3 << 20) + 17};
  for (size_t size : sizes) {
    const std::string name = "net-servers/size-" + std::to_string(size) + ".bin";
    const std::string content = test::NoiseContent(size, static_cast<int>(size));
    server->WriteFile(name, content);
    for (bool proxy : {false, true}) {
      http.ProxyHost = proxy ? "127.0.0.1" : "";
      http.ProxyPort = std::to_string(server->ProxyPort());
      const std::string what = name + (proxy ? " through the proxy" : " direct");
      ASSERT_TRUE(Get(server->BaseUrl() + name)) << what;
      EXPECT_EQ(http.ResultCode, 200) << what;
      EXPECT_TRUE(http.Document.Bytes() == content) << what << ": " << http.Document.Size() << " bytes";
      EXPECT_EQ(events, BlockEvents(size)) << what;
      EXPECT_EQ(http.DownloadSize, static_cast<int32_t>(size)) << what;
      // The proxy marks what it forwarded; nginx alone does not.
      EXPECT_EQ(HeaderPresent("Via:"), proxy) << what;
      // nginx offers to keep the connection and gives the length: it stays for the next
      // request. The proxy closes its connections after each answer.
      EXPECT_EQ(http.Sock.IsOpen(), !proxy) << what;
    }
  }
}

TEST_F(HttpServers, MissingFileHeadAndNoRedirect) {
  server->WriteFile("net-servers/head.txt", "twelve bytes");
  ASSERT_TRUE(Get(server->BaseUrl() + "net-servers/absent.txt"));
  EXPECT_EQ(http.ResultCode, 404);

  http.ResetRequest();
  ASSERT_TRUE(http.ExecuteMethod("HEAD", server->BaseUrl() + "net-servers/head.txt"));
  EXPECT_EQ(http.ResultCode, 200);
  EXPECT_EQ(http.Document.Size(), 0u);
  EXPECT_TRUE(HeaderPresent("Content-Length: 12"));

  // nginx redirects a folder requested without its slash; the client does not follow.
  ASSERT_TRUE(Get(server->BaseUrl() + "net-servers"));
  EXPECT_EQ(http.ResultCode, 301);
}

TEST_F(HttpServers, PackedFileServedForGzipRequestsUnpacks) {
  std::string original;
  for (int i = 0; i < 20000; ++i) original += "file line " + std::to_string(i % 300) + "\r\n";
  z_stream s{};
  ASSERT_EQ(deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string deflated(deflateBound(&s, original.size()), '\0');
  s.next_in = reinterpret_cast<Bytef*>(&original[0]);
  s.avail_in = static_cast<uInt>(original.size());
  s.next_out = reinterpret_cast<Bytef*>(&deflated[0]);
  s.avail_out = static_cast<uInt>(deflated.size());
  ASSERT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
  deflated.resize(s.total_out);
  deflateEnd(&s);
  std::string packed(12, '\0');
  const uint32_t size = static_cast<uint32_t>(original.size());
  const uint32_t sum = PackedChecksum(original.data(), original.size());
  for (int i = 0; i < 4; ++i) {
    packed[i] = static_cast<char>(size >> (8 * i));
    packed[8 + i] = static_cast<char>(sum >> (8 * i));
  }
  packed += deflated;
  server->WriteFile("net-servers/packed.txt.gz", packed);
  server->WriteFile("net-servers/packed.txt", original);

  ASSERT_TRUE(Get(server->BaseUrl() + "net-servers/packed.txt", "Accept-Encoding: gzip"));
  EXPECT_EQ(http.ResultCode, 200);
  EXPECT_NE(http.Headers.JoinedText().find("gzip"), std::string::npos);
  ASSERT_TRUE(http.Document.Bytes() == packed);
  EXPECT_TRUE(UnCompressBody(http.Document.Bytes()) == original);

  ASSERT_TRUE(Get(server->BaseUrl() + "net-servers/packed.txt"));
  EXPECT_EQ(http.Headers.JoinedText().find("gzip"), std::string::npos);
  EXPECT_TRUE(http.Document.Bytes() == original);
}

TEST_F(HttpServers, SlowDownloadCanBeAbortedFromAnotherThread) {
  const std::string content = test::NoiseContent(TestWebServer::kSlowBytesPerSecond * 20, 9);
  server->WriteFile("net-servers/slow.bin", content);
  bool ok = true;
  std::thread transfer([&] { ok = Get(server->SlowBaseUrl() + "net-servers/slow.bin"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const auto start = std::chrono::steady_clock::now();
  http.AbortTransfer();
  transfer.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_FALSE(ok);
  EXPECT_EQ(http.ResultCode, 200);
  // Some blocks arrived, far from all of them.
  EXPECT_GT(http.Document.Size(), 0u);
  EXPECT_LT(http.Document.Size(), content.size() / 2);
  EXPECT_TRUE(content.compare(0, http.Document.Size(), http.Document.Bytes()) == 0);
}

}  // namespace
}  // namespace qvx
