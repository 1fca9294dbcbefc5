// Whole update runs behind a proxy named by the environment or by config.ini, against real
// tinyproxy (one open, one that asks for credentials) in front of nginx: the lines of the run,
// its exit code, and the log, which says which proxy was used and where it came from and never
// holds a credential.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

#include "startup/globals.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/worker_run.h"
#include "update/run_outcome.h"
#include "update/update_log.h"

namespace qvx {
namespace {

using test::TestWebServer;

const char* const kProxyVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                       "no_proxy",   "NO_PROXY"};

struct ProxyRun {
  std::string Name;
  bool Https = false;
  // "<open>" stands for the open proxy's port, "<auth>" for the one that asks for credentials,
  // "<secret>" for its password.
  std::map<std::string, std::string> Env;
  std::string Config;
  int ExitCode = 0;
  std::string FailureLine;  // the line between "Fetching:" and "Done." after "could not be fetched: "
  std::string LogLine;      // the log's connection entry, after "--- connection: "
};

std::string Filled(std::string text) {
  const TestWebServer& web = TestWebServer::Instance();
  const std::map<std::string, std::string> marks = {
      {"<open>", std::to_string(web.ProxyPort())},
      {"<auth>", std::to_string(web.AuthProxyPort())},
      {"<secret>", TestWebServer::kAuthProxyPassword}};
  for (const auto& [mark, value] : marks)
    for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, mark.size(), value);
  return text;
}

std::vector<ProxyRun> Runs() {
  const std::string user = "proxyUser=qvx-user\r\nproxyPass=<secret>\r\n";
  const std::string credentialsWanted =
      "the proxy 127.0.0.1:<auth> (from the environment) asks for credentials; set them as "
      "proxyUser and proxyPass in the [Config] section of config.ini";
  return {
      {"HttpProxyVariable", false, {{"http_proxy", "http://127.0.0.1:<open>"}}, "", 0, "",
       "through the proxy 127.0.0.1:<open> from the environment (http_proxy)"},
      {"HttpsProxyVariableTunnels", true, {{"https_proxy", "127.0.0.1:<open>"}}, "", 0, "",
       "through the proxy 127.0.0.1:<open> from the environment (https_proxy)"},
      {"CredentialsInTheVariable", false,
       {{"http_proxy", "http://qvx-user:<secret>@127.0.0.1:<auth>/"}}, "", 0, "",
       "through the proxy 127.0.0.1:<auth> from the environment (http_proxy), with credentials"},
      {"NoCredentials", false, {{"http_proxy", "http://127.0.0.1:<auth>"}}, "", 2, credentialsWanted,
       "through the proxy 127.0.0.1:<auth> from the environment (http_proxy)"},
      {"NoCredentialsForTheTunnel", true, {{"HTTPS_PROXY", "http://127.0.0.1:<auth>"}}, "", 2,
       credentialsWanted, "through the proxy 127.0.0.1:<auth> from the environment (HTTPS_PROXY)"},
      {"CredentialsOfConfigIniForTheEnvironmentsProxy", true,
       {{"https_proxy", "http://127.0.0.1:<auth>"}}, "[Config]\r\n" + user, 0, "",
       "through the proxy 127.0.0.1:<auth> from the environment (https_proxy), with credentials"},
      {"ConfigIniProxyWithCredentials", false, {{"http_proxy", "http://127.0.0.1:1"}},
       "[Config]\r\nproxySvr=127.0.0.1\r\nproxtPort=<auth>\r\n" + user, 0, "",
       "through the proxy 127.0.0.1:<auth> from config.ini, with credentials"},
      {"ConfigIniCredentialsRefused", false, {},
       "[Config]\r\nproxySvr=127.0.0.1\r\nproxtPort=<auth>\r\nproxyUser=qvx-user\r\nproxyPass=not-it\r\n", 2,
       // tinyproxy refuses wrong credentials with 401; through a proxy that may be the server's.
       "HTTP status 401 (through the proxy 127.0.0.1:<auth> from config.ini); the proxy may have "
       "refused its credentials: check proxyUser and proxyPass in the [Config] section of config.ini",
       "through the proxy 127.0.0.1:<auth> from config.ini, with credentials"},
      {"ConfigIniCredentialsRefusedForTheTunnel", true, {},
       "[Config]\r\nproxySvr=127.0.0.1\r\nproxtPort=<auth>\r\nproxyUser=qvx-user\r\nproxyPass=not-it\r\n", 2,
       "the proxy 127.0.0.1:<auth> (from config.ini) did not accept the credentials it was given; set "
       "the right ones as proxyUser and proxyPass in the [Config] section of config.ini",
       "through the proxy 127.0.0.1:<auth> from config.ini, with credentials"},
      {"DirectInConfigIniOverridesTheEnvironment", false,
       {{"http_proxy", "http://127.0.0.1:1"}, {"https_proxy", "http://127.0.0.1:1"}},
       "[Config]\r\nproxySvr=DIRECT\r\n", 0, "", "direct connection (proxySvr=direct in config.ini)"},
      {"NoProxyBypasses", false, {{"http_proxy", "http://127.0.0.1:1"}, {"no_proxy", "127.0.0.1"}}, "",
       0, "", "direct connection, as the environment says (no_proxy names 127.0.0.1)"},
  };
}

void PrintTo(const ProxyRun& r, std::ostream* out) { *out << r.Name; }

class ProxyRunTest : public ::testing::TestWithParam<ProxyRun> {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10, 10000}); }
  static void TearDownTestSuite() { SetWorkerPausesForTesting({}); }
  void SetUp() override {
    for (const char* name : kProxyVariables) {
      if (const char* value = getenv(name)) FSaved[name] = value;
      unsetenv(name);
    }
    FInstall.Enter();
  }
  void TearDown() override {
    FInstall.Leave();
    for (const char* name : kProxyVariables) unsetenv(name);
    for (const auto& [name, value] : FSaved) setenv(name.c_str(), value.c_str(), 1);
  }
  test::TTestInstallation FInstall;
  std::map<std::string, std::string> FSaved;
};

TEST_P(ProxyRunTest, Run) {
  const ProxyRun& r = GetParam();
  TestWebServer& web = TestWebServer::Instance();
  const std::string folder = "proxy-run-" + r.Name;
  web.WriteFile(folder + "/up.txt", "filecount=1\r\nfilename0=a.txt\r\nfiledate0=2099-1-1-0-0-0\r\n"
                                    "AppDate=2015-3-20\r\n");
  web.WriteFile(folder + "/a.txt", "new a");
  if (r.Https) web.TrustTestAuthority();
  UpdateBaseUrl = (r.Https ? web.HttpsBaseUrl(TestWebServer::TlsSite::Trusted) : web.BaseUrl()) + folder + "/";
  for (const auto& [name, value] : r.Env) setenv(name.c_str(), Filled(value).c_str(), 1);
  if (!r.Config.empty()) FInstall.Write("config.ini", Filled(r.Config));

  NoteRunOutcome(TRunOutcome::Done);
  ResetRunOutcome();
  test::TRecordingStatusSink sink;
  test::RunWorker(sink);

  std::vector<std::string> expected = {"Fetching:", "Fetching:a.txt", "Done."};
  if (r.ExitCode != 0) {
    expected = {"Fetching:", "The update list " + UpdateBaseUrl + "up.txt could not be fetched: " +
                                 Filled(r.FailureLine), "Done."};
  }
  EXPECT_EQ(sink.Lines, expected);
  EXPECT_EQ(RunExitCode(), r.ExitCode);
  EXPECT_EQ(FInstall.Exists("a.txt"), r.ExitCode == 0);

  const std::string log = FInstall.Read("data\\update.log");
  EXPECT_NE(log.find("  --- connection: " + Filled(r.LogLine) + "\r\n"), std::string::npos) << log;
  for (const std::string& secret : {std::string(TestWebServer::kAuthProxyPassword), std::string("not-it")}) {
    EXPECT_EQ(log.find(secret), std::string::npos) << log;
    for (const std::string& line : sink.Lines) EXPECT_EQ(line.find(secret), std::string::npos) << line;
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, ProxyRunTest, ::testing::ValuesIn(Runs()),
                         [](const ::testing::TestParamInfo<ProxyRun>& info) { return info.param.Name; });

}  // namespace
}  // namespace qvx
