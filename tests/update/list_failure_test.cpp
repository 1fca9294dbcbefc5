// A run whose update list cannot be had says so: one line with the address asked and the
// reason, before the finishing line, and the outcome the program's exit code reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/globals.h"
#include "startup/product_data.h"
#include "support/script_server.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/worker_run.h"
#include "update/run_outcome.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;
using test::TestWebServer;

struct FailCase {
  std::string Name;
  // The base URL; "<web>" stands for the web server's, "<script>" for the script server's,
  // "<built-in>" for the one the program was built with (whose server may be anywhere, so only
  // the end of the line is compared).
  std::string Url;
  std::string Config;      // config.ini; "<proxy>" stands for the real proxy's port
  std::string ProductIni;  // "-": no data\Product.ini
  std::string Answer;      // what the script server answers, when the case uses it
  // The expected line; "<url>" stands for the list's address as asked.
  std::string Line;
};

const std::string kRefused = "http://127.0.0.1:1/qvx/";
const std::string kProductUrl = "[Product]\r\nUpdateUrl=http://127.0.0.1:1/qvx/\r\n";

std::vector<FailCase> Cases() {
  const std::string pre = "The update list <url> could not be fetched: ";
  const std::string missing = " (data\\Product.ini is missing, so the address built into this program was asked)";
  return {
      {"NothingListening", kRefused, "", kProductUrl, "", pre + "connection refused"},
      {"WrongPath", "<web>no-such-folder/", "", kProductUrl, "", pre + "HTTP status 404"},
      {"Redirect", "<script>/qvx/", "", kProductUrl,
       "HTTP/1.0 302 Found\r\nLocation: https://elsewhere.example/qvx/up.txt\r\n\r\n",
       pre + "HTTP status 302 (a redirect to https://elsewhere.example/qvx/up.txt, which the "
             "updater does not follow)"},
      {"NoAnswerInTime", "<script>/qvx/", "", kProductUrl, "", pre + "no answer in time"},
      // A server that speaks HTTP on the port an https:// address names.
      {"HttpsToAPlainServer", "<web-https>", "", kProductUrl, "",
       pre + "the secure connection to 127.0.0.1 failed (TLS handshake)"},
      {"NoSuchHost", "http://no-such-host.invalid/qvx/", "", kProductUrl, "", pre + "no such host"},
      {"EmptyList", "<script>/qvx/", "", kProductUrl, "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n",
       pre + "the server sent an empty file"},
      {"ProxyDown", "<web>", "[Config]\r\nproxySvr=127.0.0.1\r\nproxtPort=1\r\n", kProductUrl, "",
       pre + "proxy 127.0.0.1:1 (from config.ini) unreachable (connection refused)"},
      {"ProxyWithScheme", "<web>", "[Config]\r\nproxySvr=http://127.0.0.1\r\nproxtPort=<proxy>\r\n",
       kProductUrl, "",
       pre + "proxy http://127.0.0.1:<proxy> (from config.ini) unreachable (no such host); proxySvr in config.ini "
             "takes a host name alone, without http:// or a port"},
      {"ProxyWithPort", "<web>", "[Config]\r\nproxySvr=127.0.0.1:<proxy>\r\n", kProductUrl, "",
       pre + "proxy 127.0.0.1:<proxy>:8000 (from config.ini) unreachable (no such host); proxySvr in config.ini "
             "takes a host name alone, without http:// or a port"},
      {"ProductIniMissing", "<built-in>", "", "-", "", missing},
      {"ProductIniEmpty", "<built-in>", "", "", "",
       " (data\\Product.ini is empty, so the address built into this program was asked)"},
      {"ProductIniBinary", "<built-in>", "", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0", 12), "",
       " (data\\Product.ini is not a text file, so the address built into this program was asked)"},
      {"ProductIniWithoutTheKey", "<built-in>", "", "[Product]\r\nUpdateURI=http://x/\r\n", "",
       " (data\\Product.ini has no UpdateUrl in its [Product] section, so the address built into "
       "this program was asked)"},
      {"ProductIniNamesTheAddress", kRefused, "", kProductUrl, "", pre + "connection refused"},
  };
}

void PrintTo(const FailCase& c, std::ostream* out) { *out << c.Name; }

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
  return text;
}

class ListFailure : public ::testing::TestWithParam<FailCase> {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10, 1500}); }
  static void TearDownTestSuite() { SetWorkerPausesForTesting({}); }
  void SetUp() override { FInstall.Enter(); }
  void TearDown() override { FInstall.Leave(); }
  test::TTestInstallation FInstall;
};

TEST_P(ListFailure, OneLineSaysWhatWasAskedAndWhy) {
  const FailCase& c = GetParam();
  TestWebServer& web = TestWebServer::Instance();
  // The script server answers once, or keeps silent past the transfer's time limit.
  ServerScript script;
  if (c.Answer.empty()) {
    script.ReadRequest().Pause(4000);
  } else {
    script.Answer(c.Answer);
  }
  ScriptServer scripted({script}, 8000);

  const std::string proxyPort = std::to_string(web.ProxyPort());
  std::string url = Replaced(c.Url, "<web-https>", "https" + web.BaseUrl().substr(4));
  url = Replaced(url, "<web>", web.BaseUrl());
  url = Replaced(url, "<script>/", scripted.BaseUrl() + "/");
  const bool builtIn = url == "<built-in>";
  if (builtIn) {
    url = BuiltInUpdateUrl();
    if (url.back() != '/') url += '/';
  }
  if (!c.Config.empty()) FInstall.Write("config.ini", Replaced(c.Config, "<proxy>", proxyPort));
  if (c.ProductIni != "-") FInstall.Write("data\\Product.ini", c.ProductIni);
  UpdateBaseUrl = url;
  const std::string expected =
      Replaced(Replaced(c.Line, "<url>", url + "up.txt"), "<proxy>", proxyPort);

  NoteRunOutcome(TRunOutcome::FilesFailed);  // a run starts afresh
  test::TRecordingStatusSink sink;
  test::RunWorker(sink);

  ASSERT_EQ(sink.Lines.size(), 3u) << ::testing::PrintToString(sink.Lines);
  EXPECT_EQ(sink.Lines[0], "Fetching:");
  if (builtIn) {
    const std::string& line = sink.Lines[1];
    EXPECT_EQ(line.rfind("The update list " + url + "up.txt could not be fetched: ", 0), 0u) << line;
    EXPECT_TRUE(line.size() > expected.size() &&
                line.compare(line.size() - expected.size(), expected.size(), expected) == 0)
        << line;
  } else {
    EXPECT_EQ(sink.Lines[1], expected);
  }
  EXPECT_EQ(sink.Lines[2], "Done.");
  EXPECT_EQ(RunExitCode(), 2);
  EXPECT_EQ(sink.Messages, (std::vector<std::string>{"1025:0:0"}));
}

INSTANTIATE_TEST_SUITE_P(Causes, ListFailure, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<FailCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace qvx
