// Kept connections of the HTTP/1.0 client: when the server offers to keep the connection and the
// answer's end is known by its length, the next request goes on the same connection; every other
// answer closes it. The request bytes are the same either way.
#include <gtest/gtest.h>

#include <set>

#ifdef _WIN32
#include <windows.h>
#endif

#include "net/http_client.h"
#include "support/script_server.h"
#include "support/test_web_server.h"
#include "support/web_server_client.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;

std::string Answer(const std::string& body, const std::string& head) {
  return "HTTP/1.1 200 OK\r\n" + head + "\r\n" + body;
}
std::string Length(const std::string& body) { return "Content-Length: " + std::to_string(body.size()) + "\r\n"; }

std::string Request(const std::string& path) {
  return "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1:{port}\r\nKeep-Alive: 300\r\n"
         "Connection: keep-alive\r\nUser-Agent: Mozilla/4.0 (compatible; qvxupdate)\r\n"
         "Accept-Encoding: gzip\r\n\r\n";
}

TEST(HttpKeepAlive, ThreeFilesOnAsManyConnectionsAsTheAnswersAllow) {
  const std::string bodies[] = {"first", "second", "third"};
  const std::string keep = "Connection: keep-alive\r\n";
  // Each answer as its case writes it, for body b.
  struct Case {
    const char* name;
    std::string (*head)(const std::string& b);
    // How the server plays its connections: which answers go on which connection.
    std::vector<std::vector<int>> connections;
    bool closesAfterEachAnswer;  // the server ends each connection after its answers
  } cases[] = {
      {"keep-alive with a length: one connection",
       [](const std::string& b) { return "Connection: keep-alive\r\n" + Length(b); }, {{0, 1, 2}}, false},
      {"lower case and an HTTP/1.0 status line count the same",
       [](const std::string& b) { return "connection: Keep-Alive\r\nKeep-Alive: timeout=5\r\n" + Length(b); },
       {{0, 1, 2}}, false},
      {"Connection: close is honoured",
       [](const std::string& b) { return "Connection: close\r\n" + Length(b); }, {{0}, {1}, {2}}, false},
      {"no Connection header: closed as HTTP/1.0 wants", [](const std::string& b) { return Length(b); },
       {{0}, {1}, {2}}, false},
      {"keep-alive without a length: read to the close", [](const std::string&) {
         return std::string("Connection: keep-alive\r\n"); }, {{0}, {1}, {2}}, true},
      {"keep-alive with a chunked body: closed",
       [](const std::string&) { return std::string("Connection: keep-alive\r\nTransfer-Encoding: chunked\r\n"); },
       {{0}, {1}, {2}}, false},
  };
  for (const auto& c : cases) {
    std::vector<ServerScript> scripts;
    for (const auto& connection : c.connections) {
      ServerScript script;
      for (int i : connection) {
        const std::string& b = bodies[i];
        const bool chunked = c.head(b).find("chunked") != std::string::npos;
        std::string body = b;
        if (chunked) {
          char size[16];
          std::snprintf(size, sizeof size, "%zx", b.size());
          body = std::string(size) + "\r\n" + b + "\r\n0\r\n\r\n";
        }
        script.Answer(Answer(body, c.head(b)));
      }
      // A server that closes only when told would keep a connection the client must not use:
      // it waits here for the client to close it.
      if (!c.closesAfterEachAnswer) script.Pause(3000);
      scripts.push_back(script);
    }
    ScriptServer server(scripts, 10000);
    THttpClient http;
    http.Timeout = 5000;
    for (int i = 0; i < 3; ++i) {
      http.ResetRequest();
      http.Headers.Add("Accept-Encoding: gzip");
      ASSERT_TRUE(http.ExecuteMethod("GET", server.BaseUrl() + "/f" + std::to_string(i))) << c.name << " " << i;
      EXPECT_EQ(http.Document.Bytes(), bodies[i]) << c.name;
    }
    const bool kept = c.connections.size() == 1;
    EXPECT_EQ(http.Sock.IsOpen(), kept) << c.name;
    http.Sock.CloseConnection();
    ASSERT_TRUE(server.WaitDone(5000)) << c.name;
    const auto received = server.Received();
    ASSERT_EQ(received.size(), c.connections.size()) << c.name;
    // The same request bytes, whichever connection carries them.
    std::string sent, expected;
    for (const auto& r : received) sent += r;
    for (int i = 0; i < 3; ++i) expected += Request("/f" + std::to_string(i));
    size_t at;
    while ((at = expected.find("{port}")) != std::string::npos)
      expected.replace(at, 6, std::to_string(server.Port()));
    EXPECT_EQ(sent, expected) << c.name;
  }
}

// A server closes an idle kept connection when it likes, also just as the next request is sent:
// that request goes once more on a new connection. A second failure, or an answer begun and cut,
// stands.
TEST(HttpKeepAlive, AKeptConnectionClosedBeforeTheNextAnswerIsReplacedOnce) {
  const std::string keep = Answer("a", "Connection: keep-alive\r\nContent-Length: 1\r\n");
  struct Case {
    const char* name;
    ServerScript first;  // the kept connection, after its first answer
    std::vector<ServerScript> more;
    bool secondOk;
  } cases[] = {
      {"closed before the answer", ServerScript().Answer(keep).ReadRequest(),
       {ServerScript().Answer(Answer("b", "Content-Length: 1\r\n"))}, true},
      {"reset before the answer", ServerScript().Answer(keep).ReadRequest().Reset(),
       {ServerScript().Answer(Answer("b", "Content-Length: 1\r\n"))}, true},
      {"the new connection fails too", ServerScript().Answer(keep).ReadRequest(),
       {ServerScript().ReadRequest()}, false},
      {"part of the answer, then closed", ServerScript().Answer(keep).ReadRequest().Send("HTTP/1.1 20"),
       {}, false},
  };
  for (const auto& c : cases) {
    std::vector<ServerScript> scripts{c.first};
    scripts.insert(scripts.end(), c.more.begin(), c.more.end());
    ScriptServer server(scripts, 10000);
    THttpClient http;
    http.Timeout = 3000;
    ASSERT_TRUE(http.ExecuteMethod("GET", server.BaseUrl() + "/a")) << c.name;
    ASSERT_TRUE(http.Sock.IsOpen()) << c.name;
    http.ResetRequest();
    EXPECT_EQ(http.ExecuteMethod("GET", server.BaseUrl() + "/b"), c.secondOk) << c.name;
    if (c.secondOk) {
      EXPECT_EQ(http.Document.Bytes(), "b") << c.name;
    }
    EXPECT_TRUE(server.WaitDone(5000)) << c.name;
    EXPECT_EQ(server.Received().size(), scripts.size()) << c.name;
  }
}

// Against nginx: files over one connection for HTTP and HTTPS, and a second client's TLS set-up
// resumes the first one's session. Wine 8's Schannel (over GnuTLS) never resumes a session, so
// there only the connections are counted; OpenSSL here and Schannel on Windows resume.
class HttpKeepAliveServers : public test::WebServerClientTest {};

bool TlsResumes() {
#ifdef _WIN32
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
#else
  return true;
#endif
}

TEST_F(HttpKeepAliveServers, FilesShareOneConnectionAndTlsSessionsAreResumed) {
  server->TrustTestAuthority();
  for (const bool https : {false, true}) {
    const std::string base = https ? server->HttpsBaseUrl(test::TestWebServer::TlsSite::Trusted) : server->BaseUrl();
    const std::string prefix = https ? "keep-s-" : "keep-p-";
    for (int i = 0; i < 5; ++i) server->WriteFile(prefix + std::to_string(i), test::NoiseContent(70000 + i, i));
    for (int round = 0; round < 2; ++round) {
      THttpClient client;
      client.Timeout = 10000;
      for (int i = 0; i < 5; ++i) {
        client.ResetRequest();
        client.Headers.Add("Accept-Encoding: gzip");
        ASSERT_TRUE(client.ExecuteMethod("GET", base + prefix + std::to_string(i))) << https << round << i;
        EXPECT_EQ(client.ResultCode, 200);
        EXPECT_EQ(client.Document.Bytes(), test::NoiseContent(70000 + i, i));
        // The second client's first connection resumes the first client's session.
        if (https && i == 0) {
          EXPECT_EQ(client.Sock.TlsResumed(), TlsResumes() && round == 1) << "round " << round;
        }
      }
      EXPECT_TRUE(client.Sock.IsOpen());
    }
    std::set<uint64_t> connections;
    int resumed = 0;
    for (int i = 0; i < 5; ++i) {
      const auto log = server->AccessLogFor(prefix + std::to_string(i));
      ASSERT_EQ(log.size(), 2u) << prefix << i;
      for (const auto& entry : log) {
        connections.insert(entry.Connection);
        resumed += entry.SessionReused;
      }
    }
    // One connection per client, as nginx counted them.
    EXPECT_EQ(connections.size(), 2u) << https;
    EXPECT_EQ(resumed, https && TlsResumes() ? 5 : 0) << https;
  }
}

}  // namespace
}  // namespace qvx
