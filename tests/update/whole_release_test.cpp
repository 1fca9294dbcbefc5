// Lists applied whole (wholerelease=1): every file is staged beside its target while the
// installation stays as it is, then the release is switched in one step, or not at all. Each
// failure point runs against a loopback server that plays exact answers; whatever goes wrong,
// the installed files, data\App.info and the folders must be exactly as before, with no staged,
// set-aside or temporary file left, Retry offered and exit code 1.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "net/body_packer.h"
#include "platform/crypto.h"
#include "platform/process.h"
#include "startup/globals.h"
#include "support/fake_tool.h"
#include "support/file_size_limit.h"
#include "support/script_server.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/worker_run.h"
#include "update/main_tool.h"
#include "update/run_outcome.h"

namespace qvx {
namespace {

using namespace std::chrono_literals;
using test::OkAnswer;
using test::ScriptServer;
using test::ServerScript;

const std::string kGet = "Fetching:";           // 147
const std::string kDone = "Done.";              // 146
const std::string kStuck = "Tool still open.";  // 148
const std::string kOldAppInfo = "Owner=kept\r\nAppDate=2015-3-20\r\n";
const std::string kNewAppInfo = "Owner=kept\r\nAppDate=2024-5-6\r\n";

struct TFile {
  std::string Name;  // as listed
  std::string Old, New;
};

// Three files of a release, one in a folder; the second large enough to arrive in many blocks.
std::vector<TFile> Release() {
  return {{"a.txt", "old a", "new a"},
          {"b.dll", std::string(1000, 'o'), std::string(150000, 'n')},
          {"data\\c.ini", "[c]\r\nold=1\r\n", "[c]\r\nnew=1\r\n"}};
}

std::string NameOf(const TFile& f) { return f.Name.substr(f.Name.rfind('\\') + 1); }

// The list of the release; sizes[i], when given, replaces the true size of file i.
std::string ListText(const std::vector<TFile>& files, bool withSizes = true,
                     const std::vector<std::string>& sizes = {}) {
  std::string list = "softid=5\r\nwholerelease=1\r\nfilecount=" + std::to_string(files.size()) + "\r\n";
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string n = std::to_string(i);
    list += "filename" + n + "=" + files[i].Name + "\r\nfiledate" + n + "=2099-1-1-0-0-0\r\nfilehash" + n +
            "=" + Sha256HexOf(files[i].New) + "\r\n";
    if (withSizes) {
      list += "filesize" + n + "=" +
              (i < sizes.size() && !sizes[i].empty() ? sizes[i] : std::to_string(files[i].New.size())) + "\r\n";
    }
  }
  return list + "AppDate=2024-5-6\r\n";
}

bool LineMatches(const std::string& line, const std::string& expected) {
  if (!expected.empty() && expected.back() == '*') return line.rfind(expected.substr(0, expected.size() - 1), 0) == 0;
  return line == expected;
}

enum class Tool { None, Closes, Refuses };

class WholeRelease : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10}); }

  void SetUp() override { test::UsePrivateWindowFolder(FInstall.At("windows")); }

  // The old release installed afresh (a case of a table after another), no tool running.
  void InstallOldRelease() {
    ASSERT_TRUE(test::WaitUntil([] { return !IsToolRunning(); }, 15s)) << "a tool is in the way";
    FInstall.Enter();
    FInstall.Write("data\\App.info", kOldAppInfo);
    for (const TFile& f : Release()) FInstall.Write(f.Name, f.Old);
    // The tool of the case before may still be ending after its window went: its program file
    // is replaced once the system lets go of it.
    ASSERT_TRUE(test::WaitUntil([&] {
      try {
        ToolExePath = test::InstallFakeProgram(FInstall.At("qvxtool.exe")).string();
        return true;
      } catch (const std::exception&) {
        return false;
      }
    }, 15s));
    CurrentSetupId = 5;
  }

  void EndCase() {
    FInstall.Leave();
    CloseToolWindow();  // one that refuses ends by its lifetime
    EXPECT_TRUE(test::WaitUntil([] { return !IsToolRunning(); }, 15s));
  }
  void TearDown() override { EndCase(); }

  void StartTool(Tool tool) {
    if (tool == Tool::None) return;
    const std::string args = tool == Tool::Refuses ? "--ignore-close --lifetime=4000" : "--lifetime=20000";
    ASSERT_TRUE(ShellOpen(ToolExePath, args));
    ASSERT_TRUE(test::WaitUntil([] { return IsToolRunning(); }));
  }

  // Names in the installation and its data folder that belong to neither the release nor the
  // installation: staged, set-aside, temporary or journal files.
  std::set<std::string> StrayFiles() const {
    static const std::set<std::string> kKnown = {"a.txt",     "b.dll",       "data",         "qvxtool.exe",
                                                 "windows",   "qvxtool.exe.mark", "c.ini",   "App.info",
                                                 "Language.ini", "update.log", "config.ini"};
    return FInstall.NamesBeyond(kKnown, {"", "data"});
  }

  void ExpectNothingChanged() {
    for (const TFile& f : Release()) EXPECT_TRUE(FInstall.Read(f.Name) == f.Old) << f.Name << " changed";
    EXPECT_EQ(FInstall.Read("data\\App.info"), kOldAppInfo);
    EXPECT_EQ(StrayFiles(), std::set<std::string>());
    EXPECT_TRUE(FInstall.Read("qvxtool.exe") == test::FakeProgramBytes());
  }

  test::TTestInstallation FInstall;
};

struct TFailurePoint {
  std::string Name;
  std::string SizeOfB;             // listed size of b.dll; empty: its true size
  std::string AnswerForB;          // empty: the new b.dll in full
  bool SlowB = false;              // b.dll arrives in pieces, slowly
  Tool RunningTool = Tool::None;
  uint64_t DiskLimit = 0;          // a full disk at this many bytes per file; 0: none
  // The window's Close when this line is shown for the CloseAtCount-th time.
  std::string CloseAtLine;
  int CloseAtCount = 1;
  // A folder where the switch would set the old data\c.ini aside: the switch fails part-way.
  bool AsideTaken = false;
  std::vector<std::string> Lines;  // a line ending with "*" must begin with the rest
  int AnswersForB = 1;             // b.dll is asked for again after a broken transfer
};

std::vector<TFailurePoint> FailurePoints() {
  const std::string b = Release()[1].New;
  const std::string notInstalled = "The release was not installed: ";
  const std::string bFailed = notInstalled + "1 of 3 files failed; nothing was changed.";
  std::vector<TFailurePoint> rows;
  rows.push_back({"NotFoundOnTheServer", "", "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"});
  rows.back().Lines = {kGet, kGet + "a.txt", kGet + "b.dll", " Socket err:404", kGet + "c.ini", bFailed};

  rows.push_back({"HashMismatch", "", OkAnswer(std::string(b.size(), 'x'))});
  rows.back().Lines = {kGet, kGet + "a.txt", kGet + "b.dll",
                       "\"b.dll\" was not saved: the download does not match its hash in the update list.",
                       kGet + "c.ini", bFailed};

  // The connection ends half-way through a body of announced length.
  rows.push_back({"CutBody", "",
                  "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(b.size()) + "\r\n\r\n" +
                      b.substr(0, b.size() / 2)});
  // A broken transfer is tried three times more before the file counts as failed.
  rows.back().AnswersForB = 4;
  const std::string resumed = "The transfer of \"b.dll\" broke off; it is resumed (";
  rows.back().Lines = {kGet, kGet + "a.txt", kGet + "b.dll", resumed + "1 of 3).", resumed + "2 of 3).",
                       resumed + "3 of 3).", " Socket err:*", kGet + "c.ini", bFailed};

  // A body read until the server closes, far longer than the list says: stopped at the size.
  rows.push_back({"BodyFarBeyondItsSize", "1000", "HTTP/1.0 200 OK\r\n\r\n" + b + b + b + b});
  rows.back().Lines = {kGet, kGet + "a.txt", kGet + "b.dll",
                       "\"b.dll\" was not saved: the server sent more than its size in the update list "
                       "(1000 bytes); the download was stopped there.",
                       kGet + "c.ini", bFailed};

  // More than any disk holds: nothing is fetched at all.
  rows.push_back({"NotEnoughSpace", "900000000000000000"});
  rows.back().Lines = {kGet, notInstalled + "it needs *"};

#ifndef _WIN32
  rows.push_back({"DiskFull"});
  rows.back().DiskLimit = 100000;
  rows.back().Lines = {kGet, kGet + "a.txt", kGet + "b.dll", "Cannot create file \"*", kGet + "c.ini", bFailed};
#endif

  rows.push_back({"ToolRefusesToClose"});
  rows.back().RunningTool = Tool::Refuses;
  rows.back().Lines = {kGet, kGet + "a.txt", kGet + "b.dll", kGet + "c.ini", kGet, kStuck,
                       notInstalled + "all 3 files were fetched, but the tool did not close; nothing was changed."};

  // The old copies of a.txt and b.dll are set aside before c.ini's move fails: all go back.
  rows.push_back({"SwitchFailsPartWay"});
  rows.back().AsideTaken = true;
  rows.back().Lines = {kGet, kGet + "a.txt", kGet + "b.dll", kGet + "c.ini", "Cannot move \"*",
                       notInstalled + "its files could not be put in place; nothing was changed."};

  rows.push_back({"ClosedWhileStaging"});
  rows.back().SlowB = true;
  rows.back().CloseAtLine = kGet + "b.dll";
  rows.back().Lines = {kGet, kGet + "a.txt", kGet + "b.dll", " Socket err:*",
                       notInstalled + "the update was stopped with 1 of 3 files fetched; nothing was changed."};

  rows.push_back({"ClosedWhileWaitingForTheTool"});
  rows.back().RunningTool = Tool::Refuses;
  rows.back().CloseAtLine = kGet;
  rows.back().CloseAtCount = 2;
  rows.back().Lines = {kGet, kGet + "a.txt", kGet + "b.dll", kGet + "c.ini", kGet,
                       notInstalled + "the update was stopped with 3 of 3 files fetched; nothing was changed."};
  return rows;
}

TEST_F(WholeRelease, AFailureAnywhereChangesNothing) {
  for (const TFailurePoint& row : FailurePoints()) {
    SCOPED_TRACE(row.Name);
    InstallOldRelease();
    const std::vector<TFile> files = Release();
    std::vector<ServerScript> scripts;
    scripts.push_back(ServerScript().Answer(OkAnswer(ListText(files, true, {"", row.SizeOfB}))));
    scripts.push_back(ServerScript().Answer(OkAnswer(files[0].New)));
    if (row.SlowB) {
      ServerScript slow;
      slow.Answer("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(files[1].New.size()) + "\r\n\r\n");
      for (size_t at = 0; at < files[1].New.size(); at += 10000) slow.Pause(100).Send(files[1].New.substr(at, 10000));
      scripts.push_back(slow);
    } else {
      for (int n = 0; n < row.AnswersForB; ++n)
        scripts.push_back(ServerScript().Answer(row.AnswerForB.empty() ? OkAnswer(files[1].New) : row.AnswerForB));
    }
    scripts.push_back(ServerScript().Answer(OkAnswer(files[2].New)));
    ScriptServer server(scripts);
    UpdateBaseUrl = server.BaseUrl() + "/qvx/";
    StartTool(row.RunningTool);
    // The scripted server plays one connection after another, and these rows read the lines of
    // one file after another: the files are staged one at a time here (the road of parallel=1).
    FInstall.Write("config.ini", "[Config]\r\nparallel=1\r\n");
    const std::string asideFolder = FInstall.At("data\\.c.ini.qvxold");
    if (row.AsideTaken) std::filesystem::create_directory(asideFolder);

    test::TRecordingStatusSink sink;
    std::vector<std::string> lines;
    {
#ifndef _WIN32
      std::unique_ptr<test::TFileSizeLimit> disk;
      if (row.DiskLimit > 0) disk = std::make_unique<test::TFileSizeLimit>(row.DiskLimit);
#endif
      lines = test::RunWorker(sink, [&](TDownShareFileThread& worker) {
        if (row.CloseAtLine.empty()) return;
        sink.OnLine = [&worker, &row, seen = 0](const std::string& line) mutable {
          // What the window's Close does while the worker runs.
          if (line == row.CloseAtLine && ++seen == row.CloseAtCount) {
            worker.CancelTransfer();
            worker.Terminate();
          }
        };
      });
    }

    if (row.AsideTaken) {
      EXPECT_TRUE(std::filesystem::is_directory(asideFolder)) << "the switch took a folder away";
      std::filesystem::remove(asideFolder);
    }
    ASSERT_EQ(lines.size(), row.Lines.size()) << ::testing::PrintToString(lines);
    for (size_t i = 0; i < lines.size(); ++i)
      EXPECT_TRUE(LineMatches(lines[i], row.Lines[i])) << "line " << i << ": " << lines[i];
    ExpectNothingChanged();
    EXPECT_TRUE(sink.RetryEnabled);
    EXPECT_TRUE(sink.Messages.empty()) << ::testing::PrintToString(sink.Messages);
    EXPECT_EQ(RunExitCode(), 1);
    EndCase();
  }
}

// The release arrives whole, through the real server (one file packed), the tool's executable
// that the setup ids ask for among it (listed as a file too, and fetched once); the tool is
// closed once, and the gauge shows the release's bytes when the list gives the sizes, and the
// files done when it does not (they arrive at once: one file's blocks would say little).
TEST_F(WholeRelease, ARunThatStagesEveryFileSwitchesThemAllAndRecordsTheList) {
  test::TestWebServer& server = test::TestWebServer::Instance();
  const std::string newTool = "new tool " + std::string(5000, 't');
  for (const bool withSizes : {true, false}) {
    SCOPED_TRACE(withSizes ? "with sizes" : "without sizes");
    InstallOldRelease();
    std::vector<TFile> files = Release();
    files.push_back({"qvxtool.exe", "", newTool});
    std::string list = ListText(files, withSizes);
    list.replace(0, list.find("\r\n"), "softid=6\r\ntoolhash=" + Sha256HexOf(newTool) +
                                         (withSizes ? "\r\ntoolsize=" + std::to_string(newTool.size()) : ""));
    const std::string folder = std::string("whole-") + (withSizes ? "sized" : "unsized") + "/";
    server.WriteFile(folder + "up.txt", list);
    for (const TFile& f : files) server.WriteFile(folder + NameOf(f), f.New);
    server.WriteFile(folder + "c.ini.gz", CompressBody(files[2].New));
    UpdateBaseUrl = server.BaseUrl() + folder;
    StartTool(Tool::Closes);

    test::TRecordingStatusSink sink;
    size_t firstFile = 0;
    sink.OnLine = [&](const std::string& line) {
      if (line == kGet + "qvxtool.exe") firstFile = sink.Progress.size();
    };
    const std::vector<std::string> lines = test::RunWorker(sink);

    EXPECT_EQ(lines, (std::vector<std::string>{kGet, kGet + "qvxtool.exe", kGet + "a.txt", kGet + "b.dll",
                                               kGet + "c.ini", kGet, kDone}));
    for (const TFile& f : files) EXPECT_TRUE(FInstall.Read(f.Name) == f.New) << f.Name;
    EXPECT_EQ(FInstall.Read("data\\App.info"), kNewAppInfo);
    EXPECT_EQ(StrayFiles(), std::set<std::string>());
    EXPECT_FALSE(IsToolRunning());
    EXPECT_EQ(sink.Messages, std::vector<std::string>{"1025:0:0"});
    EXPECT_EQ(RunExitCode(), 0);

    // From the first file on (the list's own transfer reports its blocks before).
    std::set<std::string> maxima;
    for (size_t i = firstFile; i < sink.Progress.size(); ++i)
      if (sink.Progress[i].rfind("max ", 0) == 0) maxima.insert(sink.Progress[i]);
    ASSERT_FALSE(sink.Progress.empty());
    if (withSizes) {
      uint64_t total = 0;
      for (const TFile& f : files) total += f.New.size();
      const std::string whole = std::to_string((total + 1023) / 1024);
      EXPECT_EQ(maxima, std::set<std::string>{"max " + whole});
      EXPECT_EQ(sink.Progress.back(), "pos " + whole);
    } else {
      EXPECT_EQ(maxima, std::set<std::string>{"max 4"});
      EXPECT_EQ(sink.Progress.back(), "pos 4");
    }
    EndCase();
  }
}

}  // namespace
}  // namespace qvx
