// A large download into a file holds no more memory than a few blocks, whatever the body's
// size, plain or packed: the allocation probe watches every allocation while the body arrives.
#include <gtest/gtest.h>

#include <string>

#include "allocation_probe.h"
#include "net/body_packer.h"
#include "net/http_client.h"
#include "platform/crypto.h"
#include "platform/file_system.h"
#include "support/script_server.h"
#include "support/temp_folder.h"
#include "update/file_download.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;
using test::TAllocationProbe;

constexpr size_t kMiB = 1 << 20;

std::string Content(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 2463534242u;
  for (size_t i = 0; i < n; i += 4) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    s[i] = static_cast<char>(x);
    // Every fourth byte random, the rest a pattern: packs to about half.
    if (i + 3 < n) s[i + 1] = 'q', s[i + 2] = static_cast<char>(i >> 12), s[i + 3] = 'x';
  }
  return s;
}

TEST(LargeDownload, MemoryStaysBoundedWhileTheBodyArrives) {
  const std::string content = Content(24 * kMiB);
  const std::string hash = Sha256HexOf(content);
  const std::string packed = CompressBody(content);
  struct Case {
    const char* name;
    std::string reply;
  } cases[] = {
      {"plain, by length",
       "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(content.size()) + "\r\n\r\n" + content},
      {"plain, until the server closes", "HTTP/1.0 200 OK\r\n\r\n" + content},
      {"packed", "HTTP/1.0 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " +
                     std::to_string(packed.size()) + "\r\n\r\n" + packed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TTempFolder dir;
    dir.Write("big.bin", "old");
    ScriptServer server({ServerScript().Answer(c.reply)});
    THttpClient http;
    http.Timeout = 20000;
    size_t largest = 0;
    TFileDownloadResult result;
    {
      TAllocationProbe probe;
      result = DownloadToFile(http, server.BaseUrl() + "/big.bin", dir.At("big.bin"), hash);
      largest = probe.Largest();
    }
    EXPECT_EQ(result, TFileDownloadResult::Saved);
    EXPECT_LE(largest, 1 * kMiB);
    EXPECT_TRUE(ReadWholeFile(dir.At("big.bin")) == content);
    EXPECT_EQ(dir.List(), "big.bin");
  }
}

}  // namespace
}  // namespace qvx
