// AbortTransfer from another thread, and what an aborted client does afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "net/http_client.h"
#include "support/script_server.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;
using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string CookieFlood(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "Set-Cookie: c" + std::to_string(i) + "=v\r\n";
  return lines;
}

TEST(HttpAbort, EndsABlockedReceivePromptlyAtEveryStage) {
  const std::string body(100000, 'b');
  struct Case {
    const char* name;
    ServerScript script;
    size_t documentSize;
  } cases[] = {
      // No status line: the document holds the CR LF of the missing one.
      {"waiting for the status line", ServerScript().ReadRequest().Pause(20000), 2},
      {"waiting in the header block", ServerScript().Answer("HTTP/1.0 200 OK\r\nX: 1\r\n").Pause(20000), 0},
      {"waiting for the second block",
       ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + body.substr(0, 70000)).Pause(20000),
       65536},
      {"waiting for the close of an open-ended body",
       ServerScript().Answer("HTTP/1.0 200 OK\r\n\r\nsome").Pause(20000), 4},
      {"waiting for the close after a flood of distinct cookies",
       ServerScript().Answer("HTTP/1.0 200 OK\r\n" + CookieFlood(90000) + "\r\n").Pause(20000), 0},
      {"waiting for the next chunk",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n").Pause(20000), 3},
  };
  for (auto& c : cases) {
    ScriptServer server({c.script});
    THttpClient http;
    http.Timeout = 30000;
    bool ok = true;
    std::thread transfer([&] { ok = http.ExecuteMethod("GET", server.BaseUrl() + "/f"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const auto start = Clock::now();
    http.AbortTransfer();
    transfer.join();
    EXPECT_LT(MillisecondsSince(start), 1000) << c.name;
    EXPECT_FALSE(ok) << c.name;
    EXPECT_EQ(http.Document.Size(), c.documentSize) << c.name;
    EXPECT_FALSE(http.Sock.IsOpen()) << c.name;
  }
}

TEST(HttpAbort, FromTheProgressEventStopsBeforeTheNextBlock) {
  const std::string body(300000, 'p');
  ScriptServer server({ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 300000\r\n\r\n" + body)});
  THttpClient http;
  http.Timeout = 5000;
  int events = 0;
  http.OnChunkRead = [&](THttpClient& sender, int32_t block, int32_t blocks) {
    ++events;
    EXPECT_EQ(blocks, 5);
    if (block == 2) sender.AbortTransfer();
  };
  EXPECT_FALSE(http.ExecuteMethod("GET", server.BaseUrl() + "/f"));
  EXPECT_EQ(events, 2);
  EXPECT_EQ(http.Document.Size(), 131072u);
  EXPECT_EQ(http.ResultCode, 200);
}

TEST(HttpAbort, AnAbortedClientDoesNothingMore) {
  ScriptServer server({ServerScript().Answer("HTTP/1.0 404 Nope\r\nContent-Length: 1\r\n\r\nx")});
  THttpClient http;
  http.Timeout = 5000;
  EXPECT_TRUE(http.ExecuteMethod("GET", server.BaseUrl() + "/f"));
  http.AbortTransfer();
  http.ResetRequest();
  http.Headers.Add("X-Kept: 1");
  http.Document.Bytes() = "kept";
  EXPECT_FALSE(http.ExecuteMethod("GET", server.BaseUrl() + "/g"));
  EXPECT_EQ(http.ResultCode, 404);
  EXPECT_EQ(http.ResultString, "Nope");
  EXPECT_EQ(http.Headers.JoinedText(), "X-Kept: 1\r\n");
  EXPECT_EQ(http.Document.Bytes(), "kept");
  EXPECT_EQ(server.Received().size(), 1u);
}

}  // namespace
}  // namespace qvx
