// How the client reads answers: status lines, header blocks, the three body framings, failures.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <utility>

#include "net/fetch_failure.h"
#include "net/http_client.h"
#include "support/script_server.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;
using Events = std::vector<std::pair<int32_t, int32_t>>;

std::string Bytes(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed) >> 3);
  return s;
}

std::string Hex(size_t n) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%zx", n);
  return buffer;
}

// Takes a body instead of the document, noting the head it was shown when the body started.
struct TRecordingSink : TBodySink {
  std::string Bytes;
  int Starts = 0;
  int32_t CodeAtStart = -1;
  std::string HeadAtStart;
  size_t Refuse = SIZE_MAX;  // refuses the write that would pass this many bytes
  void BodyStarts(const THttpClient& client) override {
    ++Starts;
    CodeAtStart = client.ResultCode;
    HeadAtStart = client.Headers.JoinedText();
  }
  bool Write(const char* data, size_t n) override {
    if (Bytes.size() + n > Refuse) return false;
    Bytes.append(data, n);
    return true;
  }
};

struct Outcome {
  bool ok = false;
  Events events;
  std::string body;  // the document, or what the sink was given
};

// Into the document, or into a sink when one is given; a body handed to a sink leaves the
// document empty, and either way BodySize counts it.
Outcome Fetch(THttpClient& http, const ScriptServer& server, const std::string& method = "GET",
              TRecordingSink* sink = nullptr) {
  Outcome out;
  http.OnChunkRead = [&out](THttpClient&, int32_t i, int32_t n) { out.events.emplace_back(i, n); };
  http.ResetRequest();
  out.ok = http.ExecuteMethod(method, server.BaseUrl() + "/file.bin", sink);
  out.body = sink ? sink->Bytes : http.Document.Bytes();
  if (sink) {
    EXPECT_EQ(http.Document.Size(), 0u);
  }
  EXPECT_EQ(http.BodySize(), sink ? sink->Bytes.size() : http.Document.Size());
  return out;
}

const char* Mode(bool toSink) { return toSink ? " (sink)" : " (document)"; }

TEST(HttpResponse, BodiesAndTheirProgressEvents) {
  const std::string b100 = Bytes(100, 1), b70000 = Bytes(70000, 2), b150000 = Bytes(150000, 3);
  const std::string b131072 = Bytes(131072, 4);
  struct Case {
    const char* name;
    ServerScript script;
    std::string document;
    Events events;
    int32_t downloadSize;
    int32_t timeout = 5000;  // the client's; every answer must come in well before it
  } cases[] = {
      {"length 0", ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n").Pause(3000), "", {}, 0},
      // A length of 0 ends the body: nothing waits for the server to close or to time out.
      {"length 0, then silence",
       ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n").Pause(20000), "", {}, 0, 1000},
      {"length 1", ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nZ"), "Z", {{1, 1}}, 1},
      {"two full blocks", ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 131072\r\n\r\n" + b131072),
       b131072, {{1, 2}, {2, 2}}, 131072},
      {"150000 in pieces",
       ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 150000\r\n\r\n" + b150000.substr(0, 1000))
           .Pause(100).Send(b150000.substr(1000, 90000)).Pause(100).Send(b150000.substr(91000)),
       b150000, {{1, 3}, {2, 3}, {3, 3}}, 150000},
      {"chunked with extensions",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Hex(100) +
                             ";name=value\r\n" + b100 + "\r\n" + Hex(70000) + " ; x=1\r\n" + b70000 +
                             "\r\n0\r\nTrailer: t\r\n\r\n").Pause(3000),
       b100 + b70000, {{1, 1}, {1, 2}, {2, 2}}, 70000},
      {"chunked wins over a length given after it",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\nContent-Length: 3\r\n\r\n"
                             "5\r\nabcde\r\n0\r\n\r\n"),
       "abcde", {{1, 1}}, 5},
      {"chunk-size line of exactly its bound, extensions included",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=" +
                             std::string(THttpClient::kMaxChunkSizeLine - 4, 'p') +
                             "\r\nabcde\r\n0\r\n\r\n"),
       "abcde", {{1, 1}}, 5},
      {"chunk sizes with the letter a",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\na\r\n" + b100.substr(0, 10) +
                             "\r\n1A\r\n" + b100.substr(10, 26) + "\r\n0\r\n\r\n"),
       b100.substr(0, 36), {{1, 1}, {1, 1}}, 26},
      {"read to close, no events",
       ServerScript().Answer("HTTP/1.0 200 OK\r\n\r\nfirst").Pause(100).Send(" second"), "first second", {}, 0},
      {"body in the packet of the header block, lone CR at its end",
       ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r").Pause(150).Send("\nbody"), "body",
       {{1, 1}}, 4},
      {"LF-only head, body beginning with CR in the same packet",
       ServerScript().Answer("HTTP/1.0 200 OK\nContent-Length: 3\n\n\rab"), "\rab", {{1, 1}}, 3},
      {"LF-only head, body beginning with CR in the next packet",
       ServerScript().Answer("HTTP/1.0 200 OK\nContent-Length: 3\n\n").Pause(150).Send("\r\nb"), "\r\nb",
       {{1, 1}}, 3},
      {"LF-only chunk line, chunk beginning with CR",
       ServerScript().Answer("HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n3\n").Pause(150)
           .Send("\rab\n0\n\n"),
       "\rab", {{1, 1}}, 3},
      // A length in any notation but decimal digits is no length: the body is read to the close.
      {"length with a sign", ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: +3\r\n\r\nabcdef"),
       "abcdef", {}, 0},
      {"length in hex notation", ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 0x3\r\n\r\nabcdef"),
       "abcdef", {}, 0},
      {"length with a dollar", ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: $3\r\n\r\nabcdef"),
       "abcdef", {}, 0},
  };
  for (bool toSink : {false, true}) {
    for (auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + Mode(toSink));
      ScriptServer server({c.script});
      THttpClient http;
      http.Timeout = c.timeout;
      TRecordingSink sink;
      const auto start = std::chrono::steady_clock::now();
      Outcome out = Fetch(http, server, "GET", toSink ? &sink : nullptr);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(c.timeout / 2));
      EXPECT_TRUE(out.ok);
      EXPECT_EQ(http.ResultCode, 200);
      EXPECT_TRUE(out.body == c.document) << out.body.size() << " bytes";
      EXPECT_EQ(http.Document.Position(), 0u);
      EXPECT_EQ(out.events, c.events);
      EXPECT_EQ(http.DownloadSize, c.downloadSize);
      EXPECT_FALSE(http.Sock.IsOpen());
      EXPECT_EQ(http.ConnectedHost, "");
      if (toSink) {
        EXPECT_EQ(sink.Starts, 1);
        EXPECT_EQ(sink.CodeAtStart, 200);
      }
    }
  }
}

TEST(HttpResponse, StatusLinesAndHeaderBlock) {
  ScriptServer server({
      ServerScript().Answer("HTTP/1.1 100 Continue\r\n\r\n\r\nHTTP/1.1 200 OK\r\nContent-Type:  text/plain \r\n"
                            "X-Folded: one\r\n  two\r\n\tthree\t\r\n=four\r\nX-Next: n  \r\n"
                            "Content-Length: 2\r\n\r\nhi"),
      ServerScript().Answer("HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n"),
      ServerScript().Answer("HTTP/1.1 abc OK\r\nContent-Length: 0\r\n\r\n"),
      ServerScript().Answer("HTTP/1.0 302 Found\r\nLocation: http://elsewhere/\r\nContent-Length: 3\r\n\r\nmov"),
      ServerScript().Answer("HTTP/1.0 +200 OK\r\nContent-Length: 0\r\n\r\n"),
      ServerScript().Answer("HTTP/1.0 0xC8 OK\r\nContent-Length: 0\r\n\r\n"),
      ServerScript().Answer("HTTP/1.0 $C8 OK\r\nContent-Length: 0\r\n\r\n"),
      ServerScript().Answer("HTTP/1.0 0200 OK\r\nContent-Length: 0\r\n\r\n"),
  });
  THttpClient http;
  http.Timeout = 5000;
  ASSERT_TRUE(Fetch(http, server).ok);
  EXPECT_EQ(http.ResultCode, 200);
  EXPECT_EQ(http.ResultString, "OK");
  EXPECT_EQ(http.MimeType, "text/plain");
  EXPECT_EQ(http.Headers.JoinedText(),
            "HTTP/1.1 100 Continue\r\nHTTP/1.1 200 OK\r\nContent-Type:  text/plain\r\n"
            "X-Folded: one two three =four\r\nX-Next: n\r\nContent-Length: 2\r\n\r\n");
  EXPECT_EQ(http.Document.Bytes(), "hi");

  ASSERT_TRUE(Fetch(http, server).ok);
  EXPECT_EQ(http.ResultCode, 200);
  EXPECT_EQ(http.ResultString, "");
  EXPECT_EQ(http.MimeType, "text/html");

  ASSERT_TRUE(Fetch(http, server).ok);
  EXPECT_EQ(http.ResultCode, 0);
  EXPECT_EQ(http.ResultString, "OK");

  ASSERT_TRUE(Fetch(http, server).ok);
  EXPECT_EQ(http.ResultCode, 302);
  EXPECT_EQ(http.Document.Bytes(), "mov");

  // The status code is decimal digits only.
  for (const char* notation : {"+200", "0xC8", "$C8"}) {
    ASSERT_TRUE(Fetch(http, server).ok) << notation;
    EXPECT_EQ(http.ResultCode, 0) << notation;
  }
  ASSERT_TRUE(Fetch(http, server).ok);
  EXPECT_EQ(http.ResultCode, 200);
}

TEST(HttpResponse, NoBodyForHeadAnd204And304) {
  // Each answer announces a body that never comes: reading one would run into the timeout.
  const std::string announced = "Content-Length: 10\r\n\r\n";
  struct Case {
    const char* name;
    const char* method;
    std::string status;
  } cases[] = {
      {"HEAD", "HEAD", "HTTP/1.0 200 OK\r\n"},
      {"204", "GET", "HTTP/1.0 204 No Content\r\n"},
      {"304", "GET", "HTTP/1.0 304 Not Modified\r\n"},
  };
  for (const auto& c : cases) {
    ScriptServer server({ServerScript().Answer(c.status + announced).Pause(5000)});
    THttpClient http;
    http.Timeout = 2000;
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Fetch(http, server, c.method).ok) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500)) << c.name;
    EXPECT_EQ(http.Document.Size(), 0u) << c.name;
  }
}

TEST(HttpResponse, ServerWithoutStatusLine) {
  {
    ScriptServer server({ServerScript().Answer("just text\r\nand more")});
    THttpClient http;
    http.Timeout = 5000;
    EXPECT_TRUE(Fetch(http, server).ok);
    EXPECT_EQ(http.ResultCode, 0);
    EXPECT_EQ(http.Headers.Count(), 0);
    EXPECT_EQ(http.Document.Bytes(), "just text\r\nand more");
  }
  {
    ScriptServer server({ServerScript().ReadRequest().Pause(100)});
    THttpClient http;
    http.Timeout = 5000;
    EXPECT_FALSE(Fetch(http, server).ok);
    EXPECT_EQ(http.ResultCode, 0);
    EXPECT_EQ(http.Document.Bytes(), "\r\n");
    EXPECT_FALSE(http.Sock.IsOpen());
  }
}

TEST(HttpResponse, FailuresKeepWhatArrivedAndCloseTheConnection) {
  const std::string body = Bytes(150000, 5);
  struct Case {
    const char* name;
    ServerScript script;
    int32_t timeout;
    int32_t code;
    std::string document;
    Events events;
    std::string reason = {};  // the failure line's reason, where the framing is what failed
  } cases[] = {
      {"close in mid-body",
       ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 150000\r\n\r\n" + body.substr(0, 70000)),
       5000, 200, body.substr(0, 65536), {{1, 3}}},
      {"silence longer than the timeout in mid-body",
       ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 150000\r\n\r\n" + body.substr(0, 70000))
           .Pause(3000),
       400, 200, body.substr(0, 65536), {{1, 3}}},
      {"silence before the close of an open-ended body",
       ServerScript().Answer("HTTP/1.0 200 OK\r\n\r\npart").Pause(3000), 400, 200, "part", {}},
      {"announced length far beyond what arrives",
       ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 1000000000\r\n\r\nsmall"), 5000, 200, "", {}},
      {"header block cut off", ServerScript().Answer("HTTP/1.0 404 Not Found\r\nServer: x\r\n"), 5000, 404, "", {}},
      {"chunked body cut off",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n"), 5000, 200,
       "abcde", {{1, 1}}},
      {"chunk size that is no hex number",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\nzz\r\nmore")
           .Pause(3000),
       5000, 200, "abcde", {{1, 1}},
       "the server's chunked framing was malformed: a chunk size that is no hex number"},
      // Only the line break after a chunk's data may be blank: anywhere else a size is due.
      {"blank line where the first chunk size is due",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n\r\n5\r\nabcde\r\n0\r\n\r\n")
           .Pause(3000),
       5000, 200, "", {}, "the server's chunked framing was malformed: a blank line where a chunk size was due"},
      {"second blank line after a chunk",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n\r\n0\r\n\r\n")
           .Pause(3000),
       5000, 200, "abcde", {{1, 1}},
       "the server's chunked framing was malformed: a blank line where a chunk size was due"},
      {"chunk-size line one byte beyond its bound",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=" +
                             std::string(THttpClient::kMaxChunkSizeLine - 3, 'p') +
                             "\r\nabcde\r\n0\r\n\r\n").Pause(3000),
       5000, 200, "", {},
       "the server's chunked framing was malformed: a chunk-size line longer than 4096 bytes"},
      {"chunk size of nine hex digits",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n100000005\r\nabcde")
           .Pause(3000),
       5000, 200, "", {}},
      {"chunk size beyond the 32-bit range",
       ServerScript().Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFF\r\nabc").Pause(3000),
       5000, 200, "", {},
       "the server's chunked framing was malformed: a chunk size beyond what the updater takes"},
      {"status line beyond the line bound",
       ServerScript().Answer("HTTP/1.0 200 " + std::string(THttpClient::kMaxResponseLine, 'x') + "\r\n\r\n"),
       5000, 0, "\r\n", {}},
      {"header line beyond the line bound",
       ServerScript().Answer("HTTP/1.0 200 OK\r\nX: " + std::string(THttpClient::kMaxResponseLine, 'x') + "\r\n\r\n")
           .Pause(3000),
       5000, 200, "", {}},
  };
  for (bool toSink : {false, true}) {
    for (auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + Mode(toSink));
      ScriptServer server({c.script});
      THttpClient http;
      http.Timeout = c.timeout;
      TRecordingSink sink;
      Outcome out = Fetch(http, server, "GET", toSink ? &sink : nullptr);
      EXPECT_FALSE(out.ok);
      EXPECT_EQ(http.ResultCode, c.code);
      EXPECT_TRUE(out.body == c.document) << out.body.size() << " bytes";
      EXPECT_EQ(out.events, c.events);
      if (!c.reason.empty()) {
        EXPECT_EQ(FetchFailureReason(http), c.reason);
      }
      EXPECT_FALSE(http.Sock.IsOpen());
      EXPECT_EQ(http.ConnectedHost, "");
    }
  }
}

TEST(HttpResponse, ASinkSeesTheWholeHeadFirstAndCanStopTheTransfer) {
  const std::string body = Bytes(200000, 6);
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 200000\r\n\r\n";
  {
    // Refused at the second block: no third block is waited for (the server would stay
    // silent), no event follows the refusal, and the connection is dropped.
    ScriptServer server({ServerScript().Answer(head + body.substr(0, 140000)).Pause(5000)});
    THttpClient http;
    http.Timeout = 4000;
    TRecordingSink sink;
    sink.Refuse = 100000;
    const auto start = std::chrono::steady_clock::now();
    Outcome out = Fetch(http, server, "GET", &sink);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(http.ResultCode, 200);
    EXPECT_EQ(out.events, (Events{{1, 4}}));
    EXPECT_TRUE(sink.Bytes == body.substr(0, 65536));
    EXPECT_EQ(sink.HeadAtStart, "HTTP/1.0 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 200000\r\n\r\n");
    EXPECT_FALSE(http.Sock.IsOpen());
  }
  {
    // A server without status line: its first line goes to the sink after the start as well.
    ScriptServer server({ServerScript().Answer("just text\r\nand more")});
    THttpClient http;
    http.Timeout = 5000;
    TRecordingSink sink;
    EXPECT_TRUE(Fetch(http, server, "GET", &sink).ok);
    EXPECT_EQ(sink.Starts, 1);
    EXPECT_EQ(sink.CodeAtStart, 0);
    EXPECT_EQ(sink.Bytes, "just text\r\nand more");
  }
  {
    // No body is read for HEAD: the sink is never started.
    ScriptServer server({ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n").Pause(3000)});
    THttpClient http;
    http.Timeout = 2000;
    TRecordingSink sink;
    EXPECT_TRUE(Fetch(http, server, "HEAD", &sink).ok);
    EXPECT_EQ(sink.Starts, 0);
  }
}

TEST(HttpResponse, HeaderBlockBeyondItsBoundFails) {
  std::string head = "HTTP/1.0 200 OK\r\n";
  const std::string line = "X-Filler: " + std::string(100000, 'f') + "\r\n";
  while (head.size() <= THttpClient::kMaxHeaderBlock) head += line;
  ScriptServer server({ServerScript().Answer(head + "\r\n").Pause(3000)});
  THttpClient http;
  http.Timeout = 5000;
  EXPECT_FALSE(Fetch(http, server).ok);
  EXPECT_EQ(http.ResultCode, 200);
  EXPECT_EQ(http.Sock.SocketError(), sockerr::kMessageTooLong);
  EXPECT_FALSE(http.Sock.IsOpen());
}

TEST(HttpResponse, ConnectionFailuresAndHttps) {
  int32_t closedPort = 0;
  {
    SocketHandle h = kNoSocket;
    ASSERT_EQ(SocketListen("127.0.0.1", "0", h), 0);
    SocketLocalPort(h, closedPort);
    SocketClose(h);
  }
  ScriptServer server({ServerScript().Pause(1000),
                       ServerScript().Answer("HTTP/1.0 200 Connection established\r\n\r\n").Pause(1000)});
  const std::string port = std::to_string(server.Port());
  THttpClient http;
  http.Timeout = 5000;
  http.Document.Bytes() = "";
  struct Case {
    const char* name;
    std::string url, proxy;
    int32_t socketError;
    std::string tlsFailure;
  } cases[] = {
      {"refused", "http://127.0.0.1:" + std::to_string(closedPort) + "/x", "", sockerr::kConnectionRefused, ""},
      // Peers that take the client's hello and close without an answer.
      {"https straight", "https://127.0.0.1:" + port + "/x", "", sockerr::kTlsFailed,
       "the secure connection to 127.0.0.1 failed (TLS handshake)"},
      {"https through a tunnel", "https://secure.example/x", port, sockerr::kTlsFailed,
       "the secure connection to secure.example failed (TLS handshake)"},
  };
  for (const auto& c : cases) {
    http.ProxyHost = c.proxy.empty() ? "" : "127.0.0.1";
    http.ProxyPort = c.proxy;
    http.ResetRequest();
    http.ResultCode = 7;
    EXPECT_FALSE(http.ExecuteMethod("GET", c.url)) << c.name;
    EXPECT_EQ(http.ResultCode, 500) << c.name;
    EXPECT_EQ(http.Sock.SocketError(), c.socketError) << c.name;
    EXPECT_EQ(http.TlsFailureText(), c.tlsFailure) << c.name;
    EXPECT_EQ(http.ConnectedHost, "") << c.name;
    EXPECT_EQ(http.ConnectedPort, "") << c.name;
  }
  server.WaitDone(5000);
  // The tunnel request, then the client's TLS hello inside the tunnel.
  const std::string connect = "CONNECT secure.example:443 HTTP/1.0\r\n\r\n";
  EXPECT_EQ(server.Received()[1].substr(0, connect.size() + 1), connect + "\x16");
}

}  // namespace
}  // namespace qvx
