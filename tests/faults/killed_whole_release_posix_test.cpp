// A whole release of 50 files, its run killed with SIGKILL at random moments while it stages
// and while it switches (40 runs, half of them killed late, where the switch happens; the switch
// alone is ended after each of its steps by the release switch tests): the next run, before it
// fetches anything, leaves the installation wholly old or wholly new (data/App.info never newer
// than the files), with no staged, set-aside, temporary or journal file anywhere; and a run left
// alone then completes the update.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/crypto.h"
#include "support/fake_tool.h"
#include "support/script_server.h"
#include "support/temp_folder.h"
#include "support/test_programs.h"

extern char** environ;

namespace qvx {
namespace {

using test::OkAnswer;
using test::ScriptServer;
using test::ServerScript;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 50;
constexpr int kKills = 40;
const char kLanguageIni[] = "[1]\r\ncon_str146=Done.\r\ncon_str147=Fetching:\r\ncon_str148=Tool still open.\r\n";
const std::string kOldAppInfo = "AppDate=2015-3-20\r\n";
const std::string kNewAppInfo = "AppDate=2024-5-6\r\n";

std::string NameOf(int i) { return (i % 2 ? "data/f" : "f") + std::to_string(i) + ".bin"; }

std::string Content(int i, bool fresh) {
  std::string s(2000 + 997 * i, '\0');
  for (size_t k = 0; k < s.size(); ++k) s[k] = static_cast<char>((k * 2654435761u + i * 7 + fresh) >> 11);
  return s;
}

std::string ListText() {
  std::string list = "wholerelease=1\r\nfilecount=" + std::to_string(kFiles) + "\r\n";
  for (int i = 0; i < kFiles; ++i) {
    std::string name = NameOf(i);
    if (name.find('/') != std::string::npos) name[name.find('/')] = '\\';
    const std::string n = std::to_string(i), bytes = Content(i, true);
    list += "filename" + n + "=" + name + "\r\nfiledate" + n + "=2099-1-1-0-0-0\r\nfilehash" + n + "=" +
            Sha256HexOf(bytes) + "\r\nfilesize" + n + "=" + std::to_string(bytes.size()) + "\r\n";
  }
  return list + "AppDate=2024-5-6\r\n";
}

class KilledWholeRelease : public ::testing::Test {
 protected:
  void SetUp() override {
    FRunner = test::HelperProgramPath("qvx_update_runner");
    ASSERT_FALSE(FRunner.empty()) << "qvx_update_runner is not built";
    // No tool of another test is closed (or waited for) by these runs.
    test::UsePrivateWindowFolder(FInstall.At("windows"));
  }

  void InstallOldRelease() {
    // The scripted server plays its answers one connection after another, in the list's order:
    // the files are staged one at a time (parallel=1), not on several connections at once.
    FInstall.Write("config.ini", "[Config]\r\nparallel=1\r\n");
    FInstall.Write("data/Language.ini", kLanguageIni);
    FInstall.Write("data/App.info", kOldAppInfo);
    for (int i = 0; i < kFiles; ++i) FInstall.Write(NameOf(i), Content(i, false));
  }

  // The list, then each file after a short pause, so that the run stages for a while.
  static std::vector<ServerScript> Server() {
    std::vector<ServerScript> scripts;
    scripts.push_back(ServerScript().Answer(OkAnswer(ListText())));
    for (int i = 0; i < kFiles; ++i) scripts.push_back(ServerScript().ReadRequest().Pause(1).Send(OkAnswer(Content(i, true))));
    return scripts;
  }

  pid_t Start(const std::string& baseUrl) {
    const std::string out = FInstall.At("runner-output.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string install = FInstall.Path();
    std::vector<char*> argv = {&FRunner[0], &install[0], const_cast<char*>(baseUrl.c_str()), nullptr};
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, FRunner.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  static int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
  }

  // "old" or "new" when every file is in that version; the names of the others otherwise.
  std::string State() const {
    int fresh = 0;
    std::string odd;
    for (int i = 0; i < kFiles; ++i) {
      const std::string got = FInstall.Read(NameOf(i));
      if (got == Content(i, true)) {
        ++fresh;
      } else if (got != Content(i, false)) {
        odd += " " + NameOf(i) + "(neither)";
      }
    }
    if (!odd.empty()) return "damaged:" + odd;
    return fresh == 0 ? "old" : fresh == kFiles ? "new" : "mixed: " + std::to_string(fresh) + " new";
  }

  std::set<std::string> StrayFiles() const {
    std::set<std::string> known = {"data",         "windows",    "runner-output.txt", "App.info",
                                   "Language.ini", "update.log", "config.ini"};
    for (int i = 0; i < kFiles; ++i) known.insert(NameOf(i).substr(NameOf(i).rfind('/') + 1));
    return FInstall.NamesBeyond(known, {"", "data"});
  }

  test::TTempFolder FInstall;
  std::string FRunner;
};

TEST_F(KilledWholeRelease, TheNextRunFindsTheReleaseWhollyOldOrWhollyNew) {
  InstallOldRelease();
  double span = 0;
  {
    ScriptServer server(Server());
    const auto start = Clock::now();
    const int status = Wait(Start(server.BaseUrl() + "/qvx/"));
    span = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << FInstall.Read("runner-output.txt");
  }
  ASSERT_EQ(State(), "new");
  ASSERT_EQ(FInstall.Read("data/App.info"), kNewAppInfo);

  const unsigned seed = std::random_device()();
  SCOPED_TRACE(::testing::Message() << "seed " << seed << ", undisturbed run " << span << " s");
  std::mt19937 random(seed);
  // Half the kills anywhere in the run, half in its last fifth, where the switch happens.
  std::uniform_real_distribution<double> anywhere(0.0, span), late(0.8 * span, span);
  int ended[3] = {0, 0, 0};  // old, new, recovered by the next run
  for (int round = 0; round < kKills && !HasFailure(); ++round) {
    InstallOldRelease();
    const double delay = round % 2 ? late(random) : anywhere(random);
    SCOPED_TRACE(::testing::Message() << "round " << round << ", killed after " << delay << " s");
    {
      ScriptServer server(Server());
      const pid_t pid = Start(server.BaseUrl() + "/qvx/");
      std::this_thread::sleep_for(std::chrono::duration<double>(delay));
      kill(pid, SIGKILL);
      Wait(pid);
    }
    // The next run, against a server without a list: it finishes what the kill left and stops
    // before it fetches anything else.
    {
      ScriptServer empty({ServerScript().Answer("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")});
      const int status = Wait(Start(empty.BaseUrl() + "/qvx/"));
      ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    }
    const std::string state = State();
    const std::string info = FInstall.Read("data/App.info");
    ASSERT_TRUE(state == "old" || state == "new") << state;
    // The list is recorded after the switch: never a new date over old files.
    EXPECT_TRUE(info == kOldAppInfo || (info == kNewAppInfo && state == "new")) << info << " over " << state;
    EXPECT_EQ(StrayFiles(), std::set<std::string>());
    ++ended[state == "new"];
    if (FInstall.Read("runner-output.txt").find("An interrupted update was") != std::string::npos) ++ended[2];
  }
  std::printf("undisturbed run %.3f s; %d kills: %d left the old release, %d the new one; %d switches were finished by the next run\n",
              span, kKills, ended[0], ended[1], ended[2]);

  // A run left alone over whatever the last kill left completes the update.
  InstallOldRelease();
  {
    ScriptServer server(Server());
    const int status = Wait(Start(server.BaseUrl() + "/qvx/"));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << FInstall.Read("runner-output.txt");
  }
  EXPECT_EQ(State(), "new");
  EXPECT_EQ(FInstall.Read("data/App.info"), kNewAppInfo);
  EXPECT_EQ(StrayFiles(), std::set<std::string>());
}

}  // namespace
}  // namespace qvx
