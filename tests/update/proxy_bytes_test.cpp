// The bytes a whole run asks for its update list with, by where the way comes from: with no
// proxy source at all, and with proxySvr=direct, exactly the request of a direct connection;
// with a proxy in config.ini and its credentials, the proxy's form of the same request.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/globals.h"
#include "support/script_server.h"
#include "support/temp_folder.h"
#include "support/test_installation.h"
#include "support/worker_run.h"
#include "update/run_outcome.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;

class ProxyBytes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10, 5000}); }
  static void TearDownTestSuite() { SetWorkerPausesForTesting({}); }
  void SetUp() override { FInstall.Enter(); }
  void TearDown() override { FInstall.Leave(); }
  test::TTestInstallation FInstall;
};

TEST_F(ProxyBytes, TheListIsAskedForWithTheBytesOfItsWay) {
  const std::string list = "filecount=0\r\nAppDate=2015-3-20\r\n";
  const std::string answer = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(list.size()) +
                             "\r\n\r\n" + list;
  const std::string tail = "User-Agent: Mozilla/4.0 (compatible; qvxupdate)\r\nAccept-Encoding: gzip\r\n\r\n";
  struct Case {
    const char* name;
    std::string config;  // "<port>" stands for the script server's port
    bool viaProxy;       // the script server plays the proxy, for an update host that does not exist
    std::string request;  // "<port>" as above
  } cases[] = {
      {"no proxy source", "", false,
       "GET /qvx/up.txt HTTP/1.0\r\nHost: 127.0.0.1:<port>\r\nKeep-Alive: 300\r\nConnection: keep-alive\r\n" + tail},
      {"proxySvr=direct", "[Config]\r\nproxySvr=direct\r\nproxtPort=1\r\n", false,
       "GET /qvx/up.txt HTTP/1.0\r\nHost: 127.0.0.1:<port>\r\nKeep-Alive: 300\r\nConnection: keep-alive\r\n" + tail},
      {"proxy of config.ini with credentials",
       "[Config]\r\nproxySvr=127.0.0.1\r\nproxtPort=<port>\r\nproxyUser=jo\r\nproxyPass=pa55word\r\n", true,
       "GET http://updates.invalid:80/qvx/up.txt HTTP/1.0\r\nHost: updates.invalid\r\n"
       "Proxy-Authorization: Basic am86cGE1NXdvcmQ=\r\nKeep-Alive: 300\r\nProxy-Connection: keep-alive\r\n" + tail},
  };
  for (const Case& c : cases) {
    ScriptServer server({ServerScript().Answer(answer)}, 8000);
    const std::string port = std::to_string(server.Port());
    auto filled = [&](std::string text) {
      for (size_t at; (at = text.find("<port>")) != std::string::npos;) text.replace(at, 6, port);
      return text;
    };
    FInstall.Write("config.ini", filled(c.config));
    UpdateBaseUrl = c.viaProxy ? "http://updates.invalid/qvx/" : server.BaseUrl() + "/qvx/";
    test::TRecordingStatusSink sink;
    test::RunWorker(sink);
    EXPECT_EQ(sink.Lines, (std::vector<std::string>{"Fetching:", "Done."})) << c.name;
    ASSERT_TRUE(server.WaitDone(3000)) << c.name;
    EXPECT_EQ(server.Received()[0], filled(c.request)) << c.name;
  }
}


// A proxy that lets the list through but asks for credentials for a file (a proxy that asks only
// for some addresses, or credentials that expired in between) gets the line that says what to
// set; the run counts as one whose files failed, and the credentials it was given appear nowhere.
TEST_F(ProxyBytes, AProxyThatAsksForCredentialsForAFileSaysWhatToSet) {
  const std::string list = "filecount=1\r\nfilename0=a.txt\r\nfiledate0=2099-1-1-0-0-0\r\nAppDate=2015-3-20\r\n";
  const std::string refused = "HTTP/1.0 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n";
  struct Case {
    const char* name;
    std::string credentials;  // config.ini lines
    std::string reason;       // after "the proxy 127.0.0.1:<port> (from config.ini) "
  } cases[] = {
      {"no credentials", "",
       "asks for credentials; set them as proxyUser and proxyPass in the [Config] section of config.ini"},
      {"credentials refused", "proxyUser=jo\r\nproxyPass=pa55word\r\n",
       "did not accept the credentials it was given; set the right ones as proxyUser and proxyPass in "
       "the [Config] section of config.ini"},
  };
  for (const Case& c : cases) {
    ScriptServer proxy({ServerScript().Answer(test::OkAnswer(list)), ServerScript().Answer(refused)}, 8000);
    const std::string port = std::to_string(proxy.Port());
    FInstall.Write("config.ini", "[Config]\r\nproxySvr=127.0.0.1\r\nproxtPort=" + port + "\r\n" + c.credentials);
    UpdateBaseUrl = "http://updates.invalid/qvx/";
    NoteRunOutcome(TRunOutcome::Done);
    ResetRunOutcome();
    test::TRecordingStatusSink sink;
    test::RunWorker(sink);
    EXPECT_EQ(sink.Lines, (std::vector<std::string>{
                              "Fetching:", "Fetching:a.txt",
                              "\"a.txt\" could not be fetched: the proxy 127.0.0.1:" + port +
                                  " (from config.ini) " + c.reason,
                              "Done."}))
        << c.name;
    EXPECT_EQ(RunExitCode(), 1) << c.name;
    EXPECT_FALSE(FInstall.Exists("a.txt")) << c.name;
    const std::string log = FInstall.Read("data\\update.log");
    EXPECT_NE(log.find(sink.Lines.size() > 2 ? sink.Lines[2] : "\"a.txt\" could not"), std::string::npos) << log;
    EXPECT_EQ(log.find("pa55word"), std::string::npos) << log;
  }
}

}  // namespace
}  // namespace qvx
