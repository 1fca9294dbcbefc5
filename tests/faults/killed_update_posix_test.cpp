// An update run killed with SIGKILL at random moments while it replaces several files from a
// slow server: afterwards every installed file and data/App.info is exactly the old or exactly
// the new version, never cut or mixed, and a run that is left alone then completes the update.
// A download interrupted by the kill may leave its temporary file (".<name>.XXXXXX.qvxnew")
// beside the target; it never takes the target's place, the folder search does not list it, and
// the next run removes it.
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

#include "platform/replacement_file.h"
#include "support/script_server.h"
#include "support/temp_folder.h"
#include "support/test_programs.h"

extern char** environ;

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;
using Clock = std::chrono::steady_clock;

const char kLanguageIni[] = "[1]\r\ncon_str031=Nothing unpacked.\r\ncon_str146=Done.\r\ncon_str147=Fetching:\r\n";
const std::string kOldAppInfo = "Owner=kept\r\nAppDate=2015-3-20\r\n";
const std::string kNewAppInfo = "Owner=kept\r\nAppDate=2024-5-6\r\n";
const std::vector<std::string> kNames = {"tool.dll", "data/help.chm", "maps.bin", "readme.txt"};

std::string Content(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 2654435761u + seed) >> 13);
  return s;
}

std::string ListText() {
  std::string list = "filecount=" + std::to_string(kNames.size()) + "\r\n";
  for (size_t i = 0; i < kNames.size(); ++i) {
    std::string name = kNames[i];
    for (char& c : name)
      if (c == '/') c = '\\';
    list += "filename" + std::to_string(i) + "=" + name + "\r\nfiledate" + std::to_string(i) +
            "=2099-1-1-0-0-0\r\n";
  }
  return list + "AppDate=2024-5-6\r\n";
}

class KilledUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    FRunner = test::HelperProgramPath("qvx_update_runner");
    ASSERT_FALSE(FRunner.empty()) << "qvx_update_runner is not built";
    for (size_t i = 0; i < kNames.size(); ++i) {
      FOld.push_back(Content(5000 + 100 * i, static_cast<int>(i)));
      FNew.push_back(Content((1 << 20) + 77777 * i, static_cast<int>(100 + i)));
    }
  }

  void InstallOldVersion() {
    FInstall.Write("data/Language.ini", kLanguageIni);
    FInstall.Write("data/App.info", kOldAppInfo);
    for (size_t i = 0; i < kNames.size(); ++i) FInstall.Write(kNames[i], FOld[i]);
  }

  // The list, then each file's body in 16 pieces a few milliseconds apart.
  std::vector<ServerScript> SlowServer() const {
    std::vector<ServerScript> scripts;
    const std::string list = ListText();
    scripts.push_back(ServerScript().Answer("HTTP/1.0 200 OK\r\nContent-Length: " +
                                            std::to_string(list.size()) + "\r\n\r\n" + list));
    for (const std::string& body : FNew) {
      ServerScript s;
      s.Answer("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
      const size_t piece = body.size() / 16 + 1;
      for (size_t at = 0; at < body.size(); at += piece) s.Pause(8).Send(body.substr(at, piece));
      scripts.push_back(s);
    }
    return scripts;
  }

  // Starts the runner; it writes its status lines to a file of the test folder.
  pid_t Start(const std::string& baseUrl) {
    const std::string out = FInstall.At("runner-output.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string install = FInstall.Path();
    std::vector<char*> argv = {&FRunner[0], &install[0], const_cast<char*>(baseUrl.c_str()), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, FRunner.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0);
    return pid;
  }

  static int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
  }

  // Every installed file is whole, old or new; anything else in the folders is a leftover
  // temporary file of one of them. Returns how many leftovers there are.
  size_t ExpectConsistent(bool mustBeNew) {
    FReplaced = 0;
    for (size_t i = 0; i < kNames.size(); ++i) {
      const std::string got = FInstall.Read(kNames[i]);
      const bool isOld = got == FOld[i], isNew = got == FNew[i];
      FReplaced += isNew;
      EXPECT_TRUE(isOld || isNew) << kNames[i] << ": " << got.size() << " bytes, neither version";
      if (mustBeNew) {
        EXPECT_TRUE(isNew) << kNames[i];
      }
    }
    const std::string info = FInstall.Read("data/App.info");
    EXPECT_TRUE(info == kOldAppInfo || info == kNewAppInfo) << "App.info: " << info;
    if (mustBeNew) {
      EXPECT_EQ(info, kNewAppInfo);
    }

    size_t leftovers = 0;
    const std::set<std::string> known = {"data", "maps.bin", "readme.txt", "runner-output.txt",
                                         "tool.dll", "App.info", "Language.ini", "help.chm",
                                         "update.log"};
    for (const std::string folder : {"", "data"}) {
      std::string names = FInstall.List(folder);
      for (size_t at = 0; at < names.size();) {
        size_t end = names.find(' ', at);
        if (end == std::string::npos) end = names.size();
        const std::string name = names.substr(at, end - at);
        at = end + 1;
        if (known.count(name)) continue;
        ++leftovers;
        // ".<target>.XXXXXX.qvxnew" beside its target, which is still there and whole.
        const size_t dot = name.rfind('.', name.size() - 7 - 1);
        EXPECT_TRUE(IsTemporaryFileName(name) && dot != std::string::npos &&
                    known.count(name.substr(1, dot - 1)))
            << "stray file " << name;
      }
    }
    return leftovers;
  }

  test::TTempFolder FInstall;
  size_t FReplaced = 0;  // files found in their new version by the last check
  std::string FRunner;
  std::vector<std::string> FOld, FNew;
};

TEST_F(KilledUpdate, EveryFileIsOldOrNewAfterAKillAndTheNextRunCompletes) {
  // An undisturbed run first: it completes, and it gives the span in which to kill.
  InstallOldVersion();
  double span = 0;
  {
    ScriptServer server(SlowServer());
    const auto start = Clock::now();
    const pid_t pid = Start(server.BaseUrl() + "/qvx/");
    const int status = Wait(pid);
    span = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  ExpectConsistent(true);
  EXPECT_EQ(FInstall.Read("runner-output.txt"),
            "Fetching:\nFetching:tool.dll\nFetching:help.chm\nFetching:maps.bin\nFetching:readme.txt\n"
            "Done.\n");

  const unsigned seed = std::random_device()();
  SCOPED_TRACE(::testing::Message() << "seed " << seed << ", undisturbed run " << span << " s");
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> moment(0.0, span);
  size_t leftovers = 0;
  for (int round = 0; round < 8; ++round) {
    InstallOldVersion();
    const double delay = moment(random);
    SCOPED_TRACE(::testing::Message() << "killed after " << delay << " s");
    {
      ScriptServer server(SlowServer());
      const pid_t pid = Start(server.BaseUrl() + "/qvx/");
      std::this_thread::sleep_for(std::chrono::duration<double>(delay));
      kill(pid, SIGKILL);
      Wait(pid);
    }
    leftovers = ExpectConsistent(false);
    std::printf("killed after %.3f s of %.3f: %zu of %zu files replaced, App.info %s, %zu leftovers\n",
                delay, span, FReplaced, kNames.size(),
                FInstall.Read("data/App.info") == kNewAppInfo ? "new" : "old", leftovers);
  }

  // The next run, over whatever the last kill left, completes the update and removes the
  // leftovers; a file that merely looks similar stays.
  FInstall.Write("." + kNames[2] + ".k1ll3d.qvxnew", "cut off");
  FInstall.Write("data/.App.info.k1ll3d.qvxnew", "cut off");
  FInstall.Write("data/.help.chm.k1ll3d", "not ours");
  {
    ScriptServer server(SlowServer());
    const int status = Wait(Start(server.BaseUrl() + "/qvx/"));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(FInstall.Read("data/.help.chm.k1ll3d"), "not ours");
  unlink(FInstall.At("data/.help.chm.k1ll3d").c_str());
  EXPECT_EQ(ExpectConsistent(true), 0u);
}

}  // namespace
}  // namespace qvx
