// The console program as a user runs it: a real installation, a release published with
// qvxpublish on nginx, the fake tool as qvxtool.exe. Each case reads the program's standard
// output line by line with the time each line came, and then the installation's files.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_fixture.h"
#include "qvxpublish/file_bytes.h"
#include "platform/tool_window.h"
#include "support/fake_tool.h"

namespace qvx::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct TLine {
  Clock::duration At;  // since the program was started
  std::string Text;
};

struct TRun {
  int ExitCode = -1;
  std::vector<TLine> Lines;
  std::string Errors;       // standard error
  Clock::duration Ended{};  // when the program ended, since it was started
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const TLine& line : Lines) texts.push_back(line.Text);
    return texts;
  }
};

// Runs the installation's program with standard input from /dev/null. onLine sees each line of
// standard output as it comes, with the program's pid. The program's standard streams are
// pipes that the tool it starts inherits, so the end of the run is the program's exit, not the
// pipes' end.
TRun RunUpdater(const TE2eInstallation& installation, const std::vector<std::string>& args,
                const std::function<void(pid_t, const TLine&)>& onLine = {}) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
  const std::string program = installation.Program();
  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);

  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  fcntl(out[0], F_SETFL, O_NONBLOCK);
  fcntl(err[0], F_SETFL, O_NONBLOCK);

  TRun run;
  std::string pending;
  auto drain = [&] {
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
      pending.append(buffer, static_cast<size_t>(n));
      size_t cut;
      while ((cut = pending.find('\n')) != std::string::npos) {
        run.Lines.push_back({Clock::now() - start, pending.substr(0, cut)});
        pending.erase(0, cut + 1);
        if (onLine) onLine(pid, run.Lines.back());
      }
    }
    while ((n = read(err[0], buffer, sizeof buffer)) > 0) run.Errors.append(buffer, static_cast<size_t>(n));
  };
  int status = 0;
  for (;;) {
    struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    poll(fds, 2, 10);
    drain();
    if (waitpid(pid, &status, WNOHANG) == pid) break;
    if (Clock::now() - start > 60s) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "the program did not end within 60 s";
      break;
    }
  }
  run.Ended = Clock::now() - start;
  drain();
  if (!pending.empty()) run.Lines.push_back({run.Ended, pending});
  close(out[0]);
  close(err[0]);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

class ConsoleProgram : public ::testing::Test {
 protected:
  void TearDown() override {
    // A tool that a run started holds its window until told to close.
    PostToolWindowClose("TfrmCat");
  }
  // Every program of the case, the fake tool included, registers its window in the
  // installation's own folder, away from any other test.
  void Isolate(const TE2eInstallation& installation) {
    UsePrivateWindowFolder(installation.Folder().At("windows"));
  }
};

const std::string kUpdating = "Updating: ";  // message 147 of the installation's data
const std::string kFinished = "Update finished.";  // message 146

TEST_F(ConsoleProgram, NormalRoadReplacesTheNewerFilesRecordsTheDateAndStartsTheTool) {
  const std::string folder = "e2e-console-normal";
  const std::string url = PublishRelease(
      folder, {{"readme.txt", "new readme"}, {"data\\extra.ini", "[x]\r\n"}, {"same.txt", "same"}},
      100, "2026-12-01");
  TE2eInstallation installation(url);
  Isolate(installation);
  installation.WriteOld("readme.txt", "old readme");
  installation.Folder().Write("same.txt", "same");  // as new as the server's: kept

  const TRun run = RunUpdater(installation, {installation.ToolArgument('1', 100)});

  std::vector<std::string> expected = {kUpdating};
  for (const std::string& name : ListedNames(folder)) {
    if (name == "same.txt") continue;
    expected.push_back(kUpdating + name.substr(name.find_last_of('\\') + 1));
  }
  expected.push_back(kFinished);
  EXPECT_EQ(run.Texts(), expected) << run.Errors;
  EXPECT_EQ(run.ExitCode, 0);
  ASSERT_FALSE(run.Lines.empty());
  // The first line one timer tick after the window shows; the end one second after the last.
  EXPECT_GE(run.Lines.front().At, 900ms);
  EXPECT_LE(run.Lines.front().At, 3s);
  EXPECT_GE(run.Ended - run.Lines.back().At, 900ms);
  EXPECT_LE(run.Ended - run.Lines.back().At, 2s);

  EXPECT_EQ(installation.Folder().Read("readme.txt"), "new readme");
  EXPECT_EQ(installation.Folder().Read("data\\extra.ini"), "[x]\r\n");
  EXPECT_EQ(installation.AppInfo(), "AppDate=2026-12-01\r\nListSerial=1\r\n");
  EXPECT_TRUE(WaitUntil([&] { return installation.ToolStarts() == "usb\n"; }))
      << installation.ToolStarts();
}

TEST_F(ConsoleProgram, ARunThatAnErrorEndedShowsTheErrorAndClosesWithoutATerminal) {
  const std::string url = WriteUpdateFolder(
      "e2e-console-error",
      {{"up.txt",
        "softid=100\r\nfilecount=2\r\nfilename0=readme.txt\r\nfiledate0=2099-13-01-00-00-00\r\n"
        "filename1=b.txt\r\nfiledate1=2099-1-1-0-0-0\r\nAppDate=2026-12-02\r\n"},
       {"b.txt", "b"}});
  TE2eInstallation installation(url);
  Isolate(installation);
  installation.WriteOld("readme.txt", "old readme");

  const TRun run = RunUpdater(installation, {installation.ToolArgument('0', 100)});

  const std::vector<std::string> texts = run.Texts();
  ASSERT_EQ(texts.size(), 2u) << run.Errors;
  EXPECT_EQ(texts[0], kUpdating);
  EXPECT_EQ(texts[1].rfind("''2099-13-1", 0), 0u) << texts[1];
  EXPECT_NE(texts[1].find("is not a valid date and time"), std::string::npos) << texts[1];
  EXPECT_EQ(run.ExitCode, 1) << "an error ended the run";
  // Standard input is no terminal: nobody could press Enter, so Close is pressed at once.
  EXPECT_LE(run.Ended - run.Lines.back().At, 1s);
  EXPECT_EQ(run.Errors.find("Press Enter"), std::string::npos) << run.Errors;

  EXPECT_EQ(installation.Folder().Read("readme.txt"), "old readme");
  EXPECT_FALSE(installation.Folder().Exists("b.txt"));
  EXPECT_EQ(installation.AppInfo(), "-");
  EXPECT_TRUE(WaitUntil([&] { return installation.ToolStarts() == "\n"; }))
      << installation.ToolStarts();
}

// On a terminal the window of a run that an error ended stays open until the user answers:
// Enter presses Close, which starts the tool as the Close button does.
TEST_F(ConsoleProgram, OnATerminalARunThatAnErrorEndedWaitsForEnter) {
  const std::string url = WriteUpdateFolder(
      "e2e-console-enter",
      {{"up.txt", "filecount=1\r\nfilename0=readme.txt\r\nfiledate0=2099-13-01-00-00-00\r\n"}});
  TE2eInstallation installation(url);
  Isolate(installation);
  installation.WriteOld("readme.txt", "old readme");
  const std::string program = installation.Program();
  std::string argument = installation.ToolArgument('1', 100);
  char* argv[] = {const_cast<char*>(program.c_str()), &argument[0], nullptr};

  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    execv(program.c_str(), argv);
    _exit(127);
  }
  fcntl(terminal, F_SETFL, O_NONBLOCK);
  std::string seen;
  auto readTerminal = [&] {
    char buffer[1024];
    ssize_t n;
    while ((n = read(terminal, buffer, sizeof buffer)) > 0) seen.append(buffer, static_cast<size_t>(n));
  };
  auto ended = [&](int& status) { return waitpid(pid, &status, WNOHANG) == pid; };
  int status = 0;
  EXPECT_TRUE(WaitUntil([&] {
    readTerminal();
    return seen.find("Press Enter to close.") != std::string::npos;
  }, 10000ms)) << seen;
  EXPECT_NE(seen.find("is not a valid date and time"), std::string::npos) << seen;
  // Nobody answers: the program waits, longer than a run's end would keep it.
  std::this_thread::sleep_for(1500ms);
  ASSERT_FALSE(ended(status));
  EXPECT_EQ(installation.ToolStarts(), "");

  ASSERT_EQ(write(terminal, "\n", 1), 1);
  EXPECT_TRUE(WaitUntil([&] {
    readTerminal();
    return ended(status);
  }, 5000ms));
  close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_TRUE(WaitUntil([&] { return installation.ToolStarts() == "usb\n"; }))
      << installation.ToolStarts();
}

TEST_F(ConsoleProgram, CtrlCDuringADownloadActsAsTheCloseBox) {
  const std::string folder = "e2e-console-interrupt";
  const std::string url = PublishRelease(
      folder, {{"big.bin", std::string(4 << 20, 'b')}, {"small.txt", "small"}}, 100, "2026-12-03",
      /*slow=*/true);
  TE2eInstallation installation(url);
  Isolate(installation);

  Clock::duration interrupted{};
  const TRun run = RunUpdater(installation, {installation.ToolArgument('1', 100)},
                              [&](pid_t pid, const TLine& line) {
                                if (line.Text == kUpdating + "big.bin") {
                                  std::this_thread::sleep_for(300ms);
                                  interrupted = line.At + 300ms;
                                  kill(pid, SIGINT);
                                }
                              });

  const std::vector<std::string> texts = run.Texts();
  ASSERT_GE(texts.size(), 3u) << run.Errors;
  ASSERT_NE(interrupted, Clock::duration{}) << "no download of big.bin";
  // The list asks for a whole release: a stopped one is not installed at all. Its files are
  // fetched at once, so small.txt started beside big.bin (and may have arrived).
  const std::string stopped = "The release was not installed: the update was stopped with ";
  EXPECT_EQ(texts.back().rfind(stopped, 0), 0u) << texts.back();
  EXPECT_NE(texts.back().find(" of 2 files fetched; nothing was changed."), std::string::npos) << texts.back();
  const auto big = std::find(texts.begin(), texts.end(), kUpdating + "big.bin");
  ASSERT_NE(big, texts.end());
  ASSERT_NE(big + 1, texts.end());
  EXPECT_EQ(*(big + 1), kUpdating + "small.txt");
  EXPECT_EQ(run.ExitCode, 1) << "big.bin was not fetched";
  // The transfer is cancelled, not waited for: the end of the run follows at once, long before
  // the file could have come at the slow server's pace.
  EXPECT_LE(run.Ended - interrupted, 3s);
  EXPECT_FALSE(installation.Folder().Exists("big.bin"));
  EXPECT_EQ(installation.AppInfo(), "-");
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(installation.ToolStarts(), "");
}

// A release that lists the updater with its hash replaces the running program's file; this run
// goes on as it is, and the next start is the new program, which writes its version into the log
// first of all.
TEST_F(ConsoleProgram, TheUpdaterReplacesItselfAndTheNextStartIsTheNewProgram) {
  const std::string next = ReadFileBytes(NextUpdaterProgram());
  const std::string folder = "e2e-console-self-update";
  const std::string url = PublishRelease(
      folder, {{TE2eInstallation::ProgramName(), next}, {"readme.txt", "new readme"}}, 100, "2026-12-04");
  TE2eInstallation installation(url);
  Isolate(installation);
  const std::string program = TE2eInstallation::ProgramName();

  const TRun first = RunUpdater(installation, {installation.ToolArgument('1', 100)});
  EXPECT_THAT(first.Texts(), ::testing::Contains("The updater was updated; the new version runs next time."))
      << first.Errors;
  EXPECT_EQ(first.ExitCode, 0);
  EXPECT_TRUE(installation.Folder().Read(program) == next) << "the updater's file was not replaced";
  EXPECT_EQ(installation.Folder().Read("readme.txt"), "new readme");

  const TRun second = RunUpdater(installation, {installation.ToolArgument('1', 100)});
  EXPECT_EQ(second.ExitCode, 0) << second.Errors;
  EXPECT_EQ(second.Texts(), (std::vector<std::string>{kUpdating, kFinished}));
  // Each run opens its entries with the version of the program that ran.
  const std::string log = installation.Folder().Read("data\\update.log");
  const std::string opening = "  --- qvxupdate ";
  const size_t firstRun = log.find(opening);
  const size_t secondRun = log.find(opening, firstRun + 1);
  ASSERT_NE(secondRun, std::string::npos) << log;
  EXPECT_EQ(log.compare(firstRun, opening.size() + 7, opening + "1.0.0, "), 0) << log;
  EXPECT_EQ(log.compare(secondRun, opening.size() + 12, opening + "1.0.0-next, "), 0) << log;
  EXPECT_NE(log.find("The updater was updated; the new version runs next time.\r\n"), std::string::npos) << log;
  EXPECT_FALSE(installation.Folder().Exists("." + program + ".qvxold"));
}

TEST_F(ConsoleProgram, AListThatCannotBeFetchedSaysWhyAndExitsWithTwo) {
  TE2eInstallation installation("http://127.0.0.1:1/qvx/");
  Isolate(installation);

  const TRun run = RunUpdater(installation, {installation.ToolArgument('0', 100)});

  EXPECT_EQ(run.Texts(), (std::vector<std::string>{
                             kUpdating,
                             "The update list http://127.0.0.1:1/qvx/up.txt could not be fetched: "
                             "connection refused",
                             kFinished}))
      << run.Errors;
  EXPECT_EQ(run.ExitCode, 2);
  const std::string log = installation.Folder().Read("data\\update.log");
  EXPECT_NE(log.find("  --- qvxupdate "), std::string::npos) << log;
  EXPECT_NE(log.find("could not be fetched: connection refused\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("  --- exit code 2\r\n"), std::string::npos) << log;
}

// A request for the usage, and a first argument that is not what the tool passes (a plain path,
// Base64 without "|"), run no update: nothing is fetched, no tool is started, no log is begun.
TEST_F(ConsoleProgram, HelpAndWrongArgumentsShowTheUsageAndRunNoUpdate) {
  const std::string folder = "e2e-console-help";
  const std::string url = PublishRelease(folder, {{"readme.txt", "new readme"}}, 100, "2026-12-04");
  TE2eInstallation installation(url);
  Isolate(installation);
  installation.WriteOld("readme.txt", "old readme");
  struct TCase {
    std::vector<std::string> Args;
    int ExitCode;
  };
  const std::vector<TCase> cases = {
      {{"--help"}, 0},
      {{"-h"}, 0},
      {{"/?"}, 0},
      {{installation.ToolArgument('1', 100), "--help"}, 0},
      {{installation.Tool()}, 3},
      {{"cXZ4dG9vbC5leGU="}, 3},  // Base64 of a path without "|"
      {{"|1100"}, 3},
  };
  for (const TCase& c : cases) {
    const TRun run = RunUpdater(installation, c.Args);
    const std::string shown = ::testing::PrintToString(c.Args);
    EXPECT_EQ(run.ExitCode, c.ExitCode) << shown;
    const std::string usage = c.ExitCode == 0 ? [&] {
      std::string all;
      for (const std::string& text : run.Texts()) all += text + "\n";
      return all;
    }() : run.Errors;
    EXPECT_NE(usage.find("Usage: qvxupdate"), std::string::npos) << shown << usage;
    EXPECT_NE(usage.find("Exit codes: 0 up to date"), std::string::npos) << shown << usage;
    EXPECT_LE(run.Ended, 1s) << shown << ": no window, no timer";
  }
  EXPECT_EQ(installation.Folder().Read("readme.txt"), "old readme");
  EXPECT_EQ(installation.AppInfo(), "-");
  EXPECT_EQ(installation.ToolStarts(), "");
  EXPECT_FALSE(installation.Folder().Exists("data\\update.log"));
}

}  // namespace
}  // namespace qvx::test
