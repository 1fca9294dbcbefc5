// The exact request bytes the client writes, compared line by line.
#include <gtest/gtest.h>

#include <algorithm>

#include "net/http_client.h"
#include "support/script_server.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;

const char kOk[] = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0, at;
  while ((at = text.find("\r\n", start)) != std::string::npos) {
    lines.push_back(text.substr(start, at - start));
    start = at + 2;
  }
  if (start < text.size()) lines.push_back("<unterminated>" + text.substr(start));
  return lines;
}

TEST(HttpRequest, AsTheWorkerSendsItDirectAndThroughAProxy) {
  ScriptServer server({ServerScript().Answer(kOk), ServerScript().Answer(kOk)});
  const std::string port = std::to_string(server.Port());
  THttpClient http;
  http.Timeout = 5000;

  http.ResetRequest();
  http.Headers.Add("Accept-Encoding: gzip");
  ASSERT_TRUE(http.ExecuteMethod("GET", "http://127.0.0.1:" + port + "/qvx/up.txt"));

  http.ProxyHost = "127.0.0.1";
  http.ProxyPort = port;
  http.ResetRequest();
  http.Headers.Add("Accept-Encoding: gzip");
  ASSERT_TRUE(http.ExecuteMethod("GET", "http://updates.example/qvx/up.txt"));
  EXPECT_EQ(http.TargetHost, "127.0.0.1");
  EXPECT_EQ(http.TargetPort, port);

  ASSERT_TRUE(server.WaitDone(5000));
  const auto received = server.Received();
  EXPECT_EQ(Lines(received[0]), (std::vector<std::string>{
                                    "GET /qvx/up.txt HTTP/1.0",
                                    "Host: 127.0.0.1:" + port,
                                    "Keep-Alive: 300",
                                    "Connection: keep-alive",
                                    "User-Agent: Mozilla/4.0 (compatible; qvxupdate)",
                                    "Accept-Encoding: gzip",
                                    "",
                                }));
  EXPECT_EQ(Lines(received[1]), (std::vector<std::string>{
                                    "GET http://updates.example:80/qvx/up.txt HTTP/1.0",
                                    "Host: updates.example",
                                    "Keep-Alive: 300",
                                    "Proxy-Connection: keep-alive",
                                    "User-Agent: Mozilla/4.0 (compatible; qvxupdate)",
                                    "Accept-Encoding: gzip",
                                    "",
                                }));
}

TEST(HttpRequest, OptionalLinesTakeTheirPlaces) {
  struct Case {
    const char* name;
    std::function<void(THttpClient&)> setup;
    std::string method, path;  // path after "http://127.0.0.1:<port>"
    std::vector<std::string> lines;  // "{host}" stands for 127.0.0.1:<port>
  } cases[] = {
      {"no path, credentials in the URL, lower-case method",
       [](THttpClient&) {}, "head", "",
       {"HEAD / HTTP/1.0", "Host: {host}", "Authorization: Basic Ym9iOnMzY3JldA==", "Keep-Alive: 300",
        "Connection: keep-alive", "User-Agent: Mozilla/4.0 (compatible; qvxupdate)", ""}},
      {"client credentials, range, no keep-alive, no agent",
       [](THttpClient& h) {
         h.UserName = "ann";
         h.Password = "pw";
         h.RangeStart = 100;
         h.RangeEnd = 0;
         h.KeepAlive = false;
         h.UserAgent = "";
       },
       "GET", "/f?x=1",
       {"GET /f?x=1 HTTP/1.0", "Host: {host}", "Authorization: Basic YW5uOnB3", "Connection: close",
        "Range: bytes=100-", ""}},
      {"bounded range, caller lines ending in an empty line, asterisk target",
       [](THttpClient& h) {
         h.RangeStart = 0;
         h.RangeEnd = 99;
         h.Headers.Add("X-One: 1");
         h.Headers.Add("");
       },
       "OPTIONS", "/*",
       {"OPTIONS * HTTP/1.0", "Host: {host}", "Keep-Alive: 300", "Connection: keep-alive",
        "Range: bytes=0-99", "User-Agent: Mozilla/4.0 (compatible; qvxupdate)", "X-One: 1", ""}},
      {"no port in Host when asked not to",
       [](THttpClient& h) { h.AddPortNumberToHost = false; }, "GET", "/a",
       {"GET /a HTTP/1.0", "Host: 127.0.0.1", "Keep-Alive: 300", "Connection: keep-alive",
        "User-Agent: Mozilla/4.0 (compatible; qvxupdate)", ""}},
  };
  for (const auto& c : cases) {
    ScriptServer server({ServerScript().Answer(kOk)});
    const std::string host = "127.0.0.1:" + std::to_string(server.Port());
    THttpClient http;
    http.Timeout = 5000;
    c.setup(http);
    std::string path = c.path;
    std::string url = "http://" + host + path;
    if (c.method == "head") url = "http://bob:s3cret@" + host;
    EXPECT_TRUE(http.ExecuteMethod(c.method, url)) << c.name;
    server.WaitDone(5000);
    std::vector<std::string> expected;
    for (std::string line : c.lines) {
      size_t at = line.find("{host}");
      if (at != std::string::npos) line.replace(at, 6, host);
      expected.push_back(line);
    }
    EXPECT_EQ(Lines(server.Received()[0]), expected) << c.name;
  }
}

TEST(HttpRequest, ProxyCredentialsAndCookiesFromEarlierAnswers) {
  ScriptServer server({
      ServerScript().Answer("HTTP/1.0 200 OK\r\nSet-Cookie: sid=abc; path=/\r\n"
                            "set-cookie:  theme = dark \r\nContent-Length: 0\r\n\r\n"),
      ServerScript().Answer("HTTP/1.0 200 OK\r\nSet-Cookie: SID=; path=/\r\nContent-Length: 0\r\n\r\n"),
      ServerScript().Answer(kOk),
  });
  THttpClient http;
  http.Timeout = 5000;
  http.ProxyHost = "127.0.0.1";
  http.ProxyPort = std::to_string(server.Port());
  http.ProxyUser = "px";
  http.ProxyPass = "py";
  for (int i = 0; i < 3; ++i) {
    http.ResetRequest();
    ASSERT_TRUE(http.ExecuteMethod("GET", "http://site.example:8080/c")) << i;
  }
  EXPECT_EQ(http.Cookies.JoinedText(), "theme=dark\r\n");
  ASSERT_TRUE(server.WaitDone(5000));
  const auto received = server.Received();
  const std::vector<std::string> head = {"GET http://site.example:8080/c HTTP/1.0",
                                         "Host: site.example:8080",
                                         "Proxy-Authorization: Basic cHg6cHk=", "Keep-Alive: 300",
                                         "Proxy-Connection: keep-alive"};
  const std::string agent = "User-Agent: Mozilla/4.0 (compatible; qvxupdate)";
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> lines = head;
    lines.insert(lines.end(), extra.begin(), extra.end());
    lines.push_back(agent);
    lines.push_back("");
    return lines;
  };
  EXPECT_EQ(Lines(received[0]), with({}));
  EXPECT_EQ(Lines(received[1]), with({"Cookie: sid=abc; theme=dark"}));
  EXPECT_EQ(Lines(received[2]), with({"Cookie: theme=dark"}));
}

TEST(HttpRequest, CookiesAreBoundedInEntriesAndBytes) {
  const int limit = THttpClient::kMaxCookies;
  std::string flood;
  for (int i = 0; i < 90000; ++i) flood += "Set-Cookie: c" + std::to_string(i) + "=v\r\n";
  const std::string big(THttpClient::kMaxCookieBytes, 'x');
  ScriptServer server({
      ServerScript().Answer("HTTP/1.0 200 OK\r\nSet-Cookie: big=" + big + "\r\n" + flood +
                            "Content-Length: 0\r\n\r\n"),
      // The list is full: a new cookie is dropped, a kept one still changes or goes.
      ServerScript().Answer("HTTP/1.0 200 OK\r\nSet-Cookie: late=1\r\nSet-Cookie: c0=w\r\n"
                            "Set-Cookie: c1=\r\nContent-Length: 0\r\n\r\n"),
      ServerScript().Answer(kOk),
  });
  THttpClient http;
  http.Timeout = 5000;
  for (int i = 0; i < 3; ++i) {
    http.ResetRequest();
    ASSERT_TRUE(http.ExecuteMethod("GET", server.BaseUrl() + "/c")) << i;
    if (i == 0) {
      ASSERT_EQ(http.Cookies.Count(), limit);
      EXPECT_EQ(http.Cookies.LineAt(0), "c0=v");
      EXPECT_EQ(http.Cookies.LineAt(limit - 1), "c" + std::to_string(limit - 1) + "=v");
    }
  }
  EXPECT_EQ(http.Cookies.Count(), limit - 1);
  EXPECT_EQ(http.Cookies.LineAt(0), "c0=w");
  EXPECT_EQ(http.Cookies.FindName("late"), -1);
  ASSERT_TRUE(server.WaitDone(5000));
  std::string expected = "Cookie: c0=w";
  for (int i = 2; i < limit; ++i) expected += "; c" + std::to_string(i) + "=v";
  const std::vector<std::string> lines = Lines(server.Received()[2]);
  EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end());
}

}  // namespace
}  // namespace qvx

namespace qvx {
namespace {

TEST(HttpRequest, Http11KeepsTheConnectionUntilStaleBytesOrClose) {
  ScriptServer server({
      ServerScript()
          .Answer("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na")
          .Answer("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nbstale")
          .Pause(300),
      ServerScript().Answer("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 1\r\n\r\nc"),
  });
  THttpClient http;
  http.Timeout = 5000;
  http.Protocol = "1.1";
  const char* bodies[] = {"a", "b", "c"};
  for (const char* body : bodies) {
    http.ResetRequest();
    ASSERT_TRUE(http.ExecuteMethod("GET", server.BaseUrl() + "/" + body)) << body;
    EXPECT_EQ(http.Document.Bytes(), body);
    // Open after "a" and "b"; "c" came with Connection: close.
    EXPECT_EQ(http.Sock.IsOpen(), std::string(body) != "c") << body;
  }
  ASSERT_TRUE(server.WaitDone(5000));
  const auto received = server.Received();
  EXPECT_NE(received[0].find("GET /a HTTP/1.1\r\n"), std::string::npos);
  EXPECT_NE(received[0].find("GET /b HTTP/1.1\r\n"), std::string::npos);
  EXPECT_EQ(received[1].substr(0, 17), "GET /c HTTP/1.1\r\n");
}

}  // namespace
}  // namespace qvx

namespace qvx {
namespace {

// Servers close kept connections when they like, also while a request is on its way. A request
// that may be repeated goes once more on a new connection when the kept one ends before the
// first byte of the answer; anything else fails as it did.
TEST(HttpRequest, AKeptConnectionThatTheServerClosedIsReplacedOnceForGetAndHead) {
  const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n";
  struct Case {
    const char* name;
    std::string method;
    ServerScript second;  // what the kept connection does with the second request
    bool retried;
  } cases[] = {
      {"closed before the answer", "GET", ServerScript().ReadRequest(), true},
      {"HEAD, closed before the answer", "HEAD", ServerScript().ReadRequest(), true},
      {"reset before the answer", "GET", ServerScript().ReadRequest().Reset(), true},
      {"part of the answer, then closed", "GET", ServerScript().ReadRequest().Send("HTTP/1.1 2"), false},
      {"a POST is never sent twice", "POST", ServerScript().ReadRequest(), false},
  };
  for (const auto& c : cases) {
    ServerScript first = ServerScript().Answer(ok + "a");
    for (const auto& step : c.second.Steps()) {
      if (step.kind == ServerScript::Step::kReadRequest) first.ReadRequest();
      if (step.kind == ServerScript::Step::kSend) first.Send(step.bytes);
      if (step.kind == ServerScript::Step::kReset) first.Reset();
    }
    ScriptServer server({first, ServerScript().Answer(ok + "b")}, 5000);
    THttpClient http;
    http.Timeout = 5000;
    http.Protocol = "1.1";
    ASSERT_TRUE(http.ExecuteMethod("GET", server.BaseUrl() + "/a")) << c.name;
    ASSERT_TRUE(http.Sock.IsOpen()) << c.name;
    http.ResetRequest();
    if (c.method == "POST") http.Document.Bytes() = "form=1";
    const bool done = http.ExecuteMethod(c.method, server.BaseUrl() + "/b");
    EXPECT_EQ(done, c.retried) << c.name;
    if (c.retried) {
      EXPECT_EQ(http.ResultCode, 200) << c.name;
      EXPECT_EQ(http.Document.Bytes(), c.method == "GET" ? "b" : "") << c.name;
    }
    EXPECT_EQ(server.WaitDone(c.retried ? 5000 : 300), c.retried) << c.name;
    const auto received = server.Received();
    const std::string request = c.method + " /b HTTP/1.1\r\n";
    EXPECT_NE(received[0].find(request), std::string::npos) << c.name;
    // The request goes again byte for byte, or not at all.
    EXPECT_EQ(received[1], c.retried ? received[0].substr(received[0].find(request)) : "") << c.name;
  }
}

}  // namespace
}  // namespace qvx
