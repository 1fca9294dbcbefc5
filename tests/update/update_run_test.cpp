// Whole update runs: a worker against a real web server serving a fixture update folder, in a
// fresh installation folder with its own message file, a recording stand-in for the window and,
// where a case says so, the fake tool running. Each case checks the status lines in order, the
// installed files byte for byte, data\App.info, the messages posted and the programs started.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "startup/globals.h"
#include "support/fake_tool.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/worker_run.h"
#include "update/main_tool.h"
#include "update/run_outcome.h"
#include "net/body_unpack.h"
#include "ui/application.h"

namespace qvx {
namespace {

using namespace std::chrono_literals;

// The message texts of the test installation.
const std::string kGet = "Fetching:";       // 147
const std::string kDone = "Done.";          // 146
const std::string kStuck = "Tool still open.";  // 148
const std::string kNothing = "Nothing unpacked.";  // 31

// File contents that stand for the fake program's bytes.
const std::string kFake = "<the fake program>";
const char kNewer[] = "2099-1-1-0-0-0";
const char kOlder[] = "2015-3-20-10-0-0";

enum class Tool { None, Closes, Refuses };

struct File {
  std::string Name;
  std::string Bytes;
};

struct RunCase {
  std::string Name;
  std::vector<std::string> List;  // lines of up.txt; none: the server has no list
  std::vector<File> Server;       // the other files of the update folder
  std::vector<File> Installed;    // files of the installation before the run, written now
  std::vector<std::string> ReadOnly;  // installed files made read-only
  bool ToolArgument = true;       // ToolExePath names the installation's qvxtool.exe
  int32_t CurrentSetupId = 5;
  Tool RunningTool = Tool::None;
  // The window's Close at the first progress of the transfer that this line announced (the
  // quiet list fetch: the run's first line); empty: none.
  std::string CancelAtProgressAfter;
  // A close request that comes just as the transfer announced by this line ends: the worker is
  // asked to stop, but no transfer is running to be aborted.
  std::string StopAfterLine;
  // Served over TLS with this kind of certificate instead of plain HTTP (0: plain).
  int Https = 0;
  std::string Config;  // config.ini of the installation; "<proxy port>" stands for the proxy's
  // Expected. A line may begin or end with "*": the rest must end or begin the line.
  std::vector<std::string> Lines;
  std::vector<File> After;
  std::vector<std::string> Absent;
  std::string AppInfo = "-";  // "-": no data\App.info
  bool InstallerStarted = false;
  std::vector<std::string> Messages = {"1025:0:0"};
  bool Retry = false;
  bool ToolRunningAfter = false;
  std::vector<std::string> Progress;  // checked when not empty
  int ExitCode = 0;  // what the program would exit with after this run
};

std::string Le32(uint32_t v) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

std::string Deflated(const std::string& data) {
  z_stream z = {};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A body in the packed layout the server sends for a name marked as gzip.
std::string Packed(const std::string& data) {
  return Le32(static_cast<uint32_t>(data.size())) + Le32(0) +
         Le32(PackedChecksum(data.data(), data.size())) + Deflated(data);
}

std::string Unsafe(const std::string& name) {
  return "Skipped \"" + name + "\": the name leaves the installation folder";
}

bool LineMatches(const std::string& line, const std::string& expected) {
  if (!expected.empty() && expected.back() == '*') {
    return line.rfind(expected.substr(0, expected.size() - 1), 0) == 0;
  }
  if (!expected.empty() && expected.front() == '*') {
    const std::string tail = expected.substr(1);
    return line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
  }
  return line == expected;
}

std::string ListText(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

const std::vector<std::string> kOneFile = {"filecount=1", std::string("filename0=a.txt"),
                                           std::string("filedate0=") + kNewer,
                                           "AppDate=2015-3-20"};

std::vector<std::string> With(std::vector<std::string> lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

std::vector<RunCase> Cases() {
  const File a{"a.txt", "new a"};
  const File tool{"qvxtool.exe", "new tool"};
  const std::string app = "AppDate=2015-3-20\r\n";
  std::vector<RunCase> c;

  {
    RunCase r;
    r.Name = "SetupIdEqualWorksThroughTheList";
    r.List = {"softid=5", "last_setupid=9", "filecount=2", "filename0=a.txt",
              std::string("filedate0=") + kNewer, "filename1=b.txt",
              std::string("filedate1=") + kOlder, "AppDate=2015-3-20"};
    r.Server = {a, {"b.txt", "new b"}, tool};
    r.Installed = {{"b.txt", "old b"}};
    r.Lines = {kGet, kGet + "a.txt", kDone};
    r.After = {a, {"b.txt", "old b"}, {"qvxtool.exe", kFake}};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "SetupIdGreaterFetchesTheToolAfterClosingIt";
    r.List = With({"softid=6"}, kOneFile);
    r.Server = {a, tool};
    r.RunningTool = Tool::Closes;
    r.Lines = {kGet, kGet, kGet + "qvxtool.exe", kGet + "a.txt", kDone};
    r.After = {a, tool};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "BothIdsGreaterStartsTheInstaller";
    r.List = With({"softid=7", "last_setupid=6"}, kOneFile);
    r.Server = {a, tool, {"setup.exe", kFake}};
    r.Lines = {kGet, kGet + "setup.exe"};
    r.After = {{"setup.exe", kFake}, {"qvxtool.exe", kFake}};
    r.Absent = {"a.txt"};
    r.InstallerStarted = true;
    r.Messages = {"1025:1:1"};
    r.Retry = true;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "ClosingAsTheInstallerArrivesStartsNothingAndIsNoCompleteRun";
    r.ExitCode = 1;
    r.List = With({"softid=7", "last_setupid=6"}, kOneFile);
    r.Server = {a, tool, {"setup.exe", kFake}};
    r.StopAfterLine = kGet + "setup.exe";
    r.Lines = {kGet, kGet + "setup.exe"};
    r.After = {{"setup.exe", kFake}, {"qvxtool.exe", kFake}};
    r.Absent = {"a.txt"};
    r.Messages = {};
    r.Retry = true;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "InstallerMissingOnTheServerGoesOnWithTheTool";
    r.ExitCode = 1;
    r.List = With({"softid=7", "last_setupid=6"}, kOneFile);
    r.Server = {a, tool};
    r.Lines = {kGet, kGet + "setup.exe", " Socket err:404", kGet, kGet + "qvxtool.exe",
               kGet + "a.txt", kDone};
    r.After = {a, tool};
    r.Absent = {"setup.exe"};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AnOldInstallerThatResistsDeletionIsNeverStarted";
    r.ExitCode = 1;
    r.List = With({"softid=7", "last_setupid=6"}, kOneFile);
    r.Server = {a, tool};
    r.Installed = {{"setup.exe", kFake}};
    r.ReadOnly = {"setup.exe"};
    r.Lines = {kGet, kGet + "setup.exe", " Socket err:404", kGet, kGet + "qvxtool.exe",
               kGet + "a.txt", kDone};
    r.After = {a, tool, {"setup.exe", kFake}};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "NoLaunchArgumentComparesNoIds";
    r.List = With({"softid=9", "last_setupid=9"}, kOneFile);
    r.Server = {a, tool, {"setup.exe", kFake}};
    r.ToolArgument = false;
    r.Lines = {kGet, kGet + "a.txt", kDone};
    r.After = {a, {"qvxtool.exe", kFake}};
    r.Absent = {"setup.exe"};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "SetupIdMinusOneWithoutIdsFetchesTheTool";
    r.List = kOneFile;
    r.Server = {a, tool, {"setup.exe", kFake}};
    r.CurrentSetupId = -1;
    r.Lines = {kGet, kGet, kGet + "qvxtool.exe", kGet + "a.txt", kDone};
    r.After = {a, tool};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "SetupIdMinusTwoWithoutIdsStartsTheInstaller";
    r.List = kOneFile;
    r.Server = {a, tool, {"setup.exe", kFake}};
    r.CurrentSetupId = -2;
    r.Lines = {kGet, kGet + "setup.exe"};
    r.After = {{"setup.exe", kFake}};
    r.InstallerStarted = true;
    r.Messages = {"1025:1:1"};
    r.Retry = true;
    c.push_back(r);
  }
  for (const char* count : {"filecount=0", "filecount=-3", "filecount="}) {
    RunCase r;
    r.Name = std::string("NoFilesFor") + (count[10] == '0' ? "Zero" : count[10] ? "Negative" : "Missing");
    r.List = {count, "filename0=a.txt", std::string("filedate0=") + kNewer, "AppDate=2015-3-20"};
    r.Server = {a};
    r.Lines = {kGet, kDone};
    r.Absent = {"a.txt"};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AHugeFileCountEndsWithTheLastNamedEntry";
    r.List = {"filecount=2147483647", "filename0=a.txt", std::string("filedate0=") + kNewer,
              "filename3=c.txt", std::string("filedate3=") + kNewer, "FILENAME004=d.txt",
              std::string("filedate4=") + kNewer, "AppDate=2015-3-20"};
    r.Server = {a, {"c.txt", "c"}, {"d.txt", "d"}};
    r.Lines = {kGet, kGet + "a.txt", kGet + "c.txt", kDone};
    r.After = {a, {"c.txt", "c"}};
    r.Absent = {"d.txt"};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "TheLargestEntryNumbersNeitherOverflowNorTakeLong";
    r.List = {"filecount=2147483647", "filename0=a.txt", std::string("filedate0=") + kNewer,
              "filename2147483646=b.txt", std::string("filedate2147483646=") + kNewer,
              "filename2147483647=c.txt", std::string("filedate2147483647=") + kNewer,
              "AppDate=2015-3-20"};
    r.Server = {a, {"b.txt", "b"}, {"c.txt", "c"}};
    r.Lines = {kGet, kGet + "a.txt", kGet + "b.txt", kDone};
    r.After = {a, {"b.txt", "b"}};
    r.Absent = {"c.txt"};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "KeptDataFilesAndTheUpdatersOwnNameAreNeverFetched";
    r.List = {"filecount=4", "filename0=data\\keysData.rif", "filename1=REMOTE.DB",
              "filename2=qvxupdate.exe", "filename3=bin\\QVXUPDATE.EXE"};
    for (int i = 0; i < 4; ++i) r.List.push_back("filedate" + std::to_string(i) + "=" + kNewer);
    r.Server = {{"keysData.rif", "k"}, {"REMOTE.DB", "r"}, {"qvxupdate.exe", "u"},
                {"QVXUPDATE.EXE", "U"}};
    r.Lines = {kGet, kDone};
    r.Absent = {"data\\keysData.rif", "REMOTE.DB", "qvxupdate.exe", "bin"};
    r.AppInfo = "";  // the list has no AppDate: the file is written, empty
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AFolderEntryIsFetchedByItsNameAndSavedBelowItsFolder";
    r.List = {"filecount=1", "filename0= data\\x.ini ", std::string("filedate0=") + kNewer,
              "AppDate=2015-3-20"};
    r.Server = {{"x.ini", "x ini"}};
    r.Lines = {kGet, kGet + "x.ini", kDone};
    r.After = {{"data\\x.ini", "x ini"}};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "FilesThatCannotBeWrittenAreReportedAndTheRunGoesOn";
    r.ExitCode = 1;
    r.List = {"filecount=3", "filename0=ro.txt", "filename1=nofolder\\y.ini", "filename2=a.txt"};
    for (int i = 0; i < 3; ++i) r.List.push_back("filedate" + std::to_string(i) + "=" + kNewer);
    r.Server = {a, {"ro.txt", "new ro"}, {"y.ini", "y"}};
    r.Installed = {{"ro.txt", "old ro"}};
    r.ReadOnly = {"ro.txt"};
    r.Lines = {kGet, kGet + "ro.txt", "Cannot create file \"*", kGet + "y.ini",
               "Cannot create file \"*", kGet + "a.txt", kDone};
    r.After = {a, {"ro.txt", "old ro"}};
    r.Absent = {"nofolder"};
    r.AppInfo = "";
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AToolFileClosesTheToolAndReplacesItsExecutable";
    r.List = {"filecount=1", "filename0=bin\\qvxtool.exe", std::string("filedate0=") + kNewer};
    r.Server = {tool};
    r.RunningTool = Tool::Closes;
    r.Lines = {kGet, kGet, kGet + "qvxtool.exe", kDone};
    r.After = {tool};
    r.Absent = {"bin"};
    r.AppInfo = "";
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AToolThatRefusesToCloseKeepsItsExecutable";
    r.ExitCode = 1;
    r.List = {"filecount=2", "filename0=qvxtool.exe", std::string("filedate0=") + kNewer,
              "filename1=a.txt", std::string("filedate1=") + kNewer};
    r.Server = {a, tool};
    r.RunningTool = Tool::Refuses;
    r.Lines = {kGet, kGet, kStuck, kGet + "a.txt", kDone};
    r.After = {a, {"qvxtool.exe", kFake}};
    r.AppInfo = "";
    r.ToolRunningAfter = true;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AToolFileWithoutAToolPathIsSavedInTheInstallation";
    r.List = {"filecount=1", "filename0=qvxtool.exe", std::string("filedate0=") + kNewer};
    r.Server = {tool};
    r.ToolArgument = false;
    r.RunningTool = Tool::Closes;
    r.Lines = {kGet, kGet, kGet + "qvxtool.exe", kDone};
    r.After = {tool};
    r.AppInfo = "";
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AFileThatOnlyMentionsTheToolIsAnOrdinaryFile";
    r.List = {"filecount=1", "filename0=help\\qvxtool.chm", std::string("filedate0=") + kNewer};
    r.Server = {{"qvxtool.chm", "help"}};
    r.Installed = {{"help\\readme.txt", "r"}};
    r.RunningTool = Tool::Closes;
    r.Lines = {kGet, kGet + "qvxtool.chm", kDone};
    r.After = {{"help\\qvxtool.chm", "help"}, {"qvxtool.exe", kFake}};
    r.AppInfo = "";
    r.ToolRunningAfter = true;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AnInvalidFileDateEndsTheRun";
    r.ExitCode = 1;
    r.List = {"filecount=2", "filename0=b.txt", "filedate0=2015-13-1-0-0-0", "filename1=a.txt",
              std::string("filedate1=") + kNewer, "AppDate=2015-3-20"};
    r.Server = {a};
    r.Installed = {{"b.txt", "old b"}};
    r.Lines = {kGet, "*is not a valid date and time"};
    r.After = {{"b.txt", "old b"}};
    r.Absent = {"a.txt"};
    r.Messages = {};
    r.Retry = true;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "ClosingInTheMiddleAbortsTheTransferAndStillRecordsAppDate";
    r.ExitCode = 1;
    r.List = {"filecount=2", "filename0=big.bin", std::string("filedate0=") + kNewer,
              "filename1=a.txt", std::string("filedate1=") + kNewer, "AppDate=2015-3-20"};
    r.Server = {a, {"big.bin", std::string(200000, 'b')}};
    r.CancelAtProgressAfter = kGet + "big.bin";
    r.Lines = {kGet, kGet + "big.bin", " Socket err:200", kDone};
    r.Absent = {"big.bin", "a.txt"};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "ClosingWhileTheListArrivesIsACancelNotAListFailure";
    r.ExitCode = 1;
    r.List = {"; " + std::string(300000, 'x'), "filecount=1", "filename0=a.txt",
              std::string("filedate0=") + kNewer};
    r.Server = {a};
    r.CancelAtProgressAfter = kGet;
    r.Lines = {kGet, "*could not be fetched: cancelled", kDone};
    r.Absent = {"a.txt"};
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "ClosingBetweenTwoFilesIsNoCompleteRun";
    r.ExitCode = 1;
    r.List = {"filecount=2", "filename0=a.txt", std::string("filedate0=") + kNewer,
              "filename1=b.txt", std::string("filedate1=") + kNewer, "AppDate=2015-3-20"};
    r.Server = {a, {"b.txt", "bee"}};
    r.StopAfterLine = kGet + "a.txt";
    r.Lines = {kGet, kGet + "a.txt", kDone};
    r.After = {a};
    r.Absent = {"b.txt"};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "ProgressFollowsTheBlocksOfABody";
    r.List = {"filecount=1", "filename0=c.bin", std::string("filedate0=") + kNewer};
    r.Server = {{"c.bin", std::string(150000, 'c')}};
    r.Lines = {kGet, kGet + "c.bin", kDone};
    r.After = {{"c.bin", std::string(150000, 'c')}};
    r.AppInfo = "";
    // The list's one block first, then the file's three.
    r.Progress = {"max 1", "pos 1", "max 3", "pos 1", "max 3", "pos 2", "max 3", "pos 3"};
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "NamesThatLeaveTheInstallationAreSkipped";
    const std::vector<std::string> bad = {"..\\evil.txt", "\\evil.txt", "/evil.txt",
                                          "C:\\evil.txt", "data\\..\\..\\evil.txt",
                                          "data/.. /evil.txt", "a:evil.txt"};
    r.List = {"filecount=" + std::to_string(bad.size() + 1)};
    for (size_t i = 0; i < bad.size(); ++i) {
      r.List.push_back("filename" + std::to_string(i) + "=" + bad[i]);
      r.List.push_back("filedate" + std::to_string(i) + "=" + kNewer);
    }
    r.List.push_back("filename" + std::to_string(bad.size()) + "=a.txt");
    r.List.push_back("filedate" + std::to_string(bad.size()) + "=" + kNewer);
    r.Server = {a, {"evil.txt", "evil"}};
    r.Lines = {kGet};
    for (const auto& name : bad) r.Lines.push_back(Unsafe(name));
    r.Lines.push_back(kGet + "a.txt");
    r.Lines.push_back(kDone);
    r.After = {a};
    r.Absent = {"evil.txt", "..\\evil.txt"};
    r.AppInfo = "";
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "PackedListAndFilesAreUnpackedBeforeUse";
    r.Server = {{"up.txt.gz", Packed(ListText(With({"softid=5"}, kOneFile)))},
                {"a.txt.gz", Packed("unpacked a")}};
    r.Lines = {kGet, kGet + "a.txt", kDone};
    r.After = {{"a.txt", "unpacked a"}};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "PackedBodiesThatGiveNothingOrFailAreNotSaved";
    r.ExitCode = 1;
    r.List = {"filecount=4", "filename0=empty.dat", "filename1=mismatch.dat",
              "filename2=broken.dat", "filename3=a.txt"};
    for (int i = 0; i < 4; ++i) r.List.push_back("filedate" + std::to_string(i) + "=" + kNewer);
    r.Server = {a,
                {"empty.dat.gz", Le32(1) + Le32(0) + Le32(0) + Deflated("")},
                {"mismatch.dat.gz", Le32(4) + Le32(0) + Le32(12345) + Deflated("data")},
                {"broken.dat.gz", Le32(5) + Le32(0) + Le32(0) + "\xff\xff\xff"}};
    r.Lines = {kGet, kGet + "empty.dat", kNothing, kGet + "mismatch.dat", kNothing,
               kGet + "broken.dat", "Error -3 during UnCompressMem process", kGet + "a.txt",
               kDone};
    r.After = {a};
    r.Absent = {"empty.dat", "mismatch.dat", "broken.dat"};
    r.AppInfo = "";
    c.push_back(r);
  }
  {
    // A listed size bounds what is saved, on a list applied file by file too: a longer body is
    // stopped at the size, a shorter one is no complete file, and a packed body may not run far
    // past its content (here: 20000 bytes of padding after a packed body of the right content).
    RunCase r;
    r.Name = "ListedSizesBoundWhatIsSaved";
    r.ExitCode = 1;
    const std::string pad(20000, 'p');
    r.List = {"filecount=5", "filename0=long.bin", "filesize0=10", "filename1=short.bin",
              "filesize1=100", "filename2=padded.bin", "filesize2=10", "filename3=garbled.bin",
              "filesize3=10 bytes", "filename4=a.txt", "filesize4=5", "AppDate=2015-3-20"};
    for (int i = 0; i < 5; ++i) r.List.push_back("filedate" + std::to_string(i) + "=" + kNewer);
    r.Server = {a,
                {"long.bin", std::string(300000, 'L')},
                {"short.bin", std::string(99, 's')},
                {"padded.bin.gz", Packed("0123456789") + pad},
                {"garbled.bin", "0123456789"}};
    r.Installed = {{"long.bin", "old long"}, {"short.bin", "old short"}};
    r.Lines = {kGet,
               kGet + "long.bin",
               "\"long.bin\" was not saved: the server sent more than its size in the update list (10 bytes); "
               "the download was stopped there.",
               kGet + "short.bin",
               "\"short.bin\" was not saved: the download is shorter than its size in the update list (100 bytes).",
               kGet + "padded.bin",
               "\"padded.bin\" was not saved: the server sent more than its size in the update list (10 bytes); "
               "the download was stopped there.",
               "\"garbled.bin\" was not fetched: its size in the update list is no number.",
               kGet + "a.txt",
               kDone};
    r.After = {a, {"long.bin", "old long"}, {"short.bin", "old short"}};
    r.Absent = {"padded.bin", "garbled.bin"};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AnEmptyBodyReplacesNothing";
    r.ExitCode = 1;
    r.List = {"filecount=2", "filename0=emptied.txt", std::string("filedate0=") + kNewer,
              "filename1=a.txt", std::string("filedate1=") + kNewer, "AppDate=2015-3-20"};
    r.Server = {a, {"emptied.txt", ""}};
    r.Installed = {{"emptied.txt", "old"}};
    r.Lines = {kGet, kGet + "emptied.txt", " Socket err:200", kGet + "a.txt", kDone};
    r.After = {a, {"emptied.txt", "old"}};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "TheProxyOfTheSettingsCarriesTheRun";
    r.List = kOneFile;
    r.Server = {a};
    r.Config = "[Config]\r\nproxySvr=127.0.0.1\r\nproxtPort=<proxy port>\r\n";
    r.Lines = {kGet, kGet + "a.txt", kDone};
    r.After = {a};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "AProxyThatDoesNotAnswerEndsTheRunWithItsReason";
    r.ExitCode = 2;
    r.List = kOneFile;
    r.Server = {a};
    r.Config = "[Config]\r\nproxySvr=127.0.0.1\r\nproxtPort=1\r\n";
    r.Lines = {kGet, "*/up.txt could not be fetched: proxy 127.0.0.1:1 (from config.ini) unreachable (connection refused)",
               kDone};
    r.Absent = {"a.txt"};
    c.push_back(r);
  }
  {
    RunCase r;
    r.Name = "NoListOnTheServerEndsTheRunWithItsReason";
    r.ExitCode = 2;
    r.Server = {a};
    r.Lines = {kGet, "*/up.txt could not be fetched: HTTP status 404", kDone};
    r.Absent = {"a.txt"};
    c.push_back(r);
  }
  using Site = test::TestWebServer::TlsSite;
  {
    RunCase r;
    r.Name = "TheWholeRunOverHttpsThroughTheTunnel";
    r.Https = static_cast<int>(Site::Trusted);
    r.List = kOneFile;
    r.Server = {a};
    r.Installed = {{"a.txt", "old a"}};
    r.Config = "[Config]\r\nproxySvr=127.0.0.1\r\nproxtPort=<proxy port>\r\n";
    r.Lines = {kGet, kGet + "a.txt", kDone};
    r.After = {a};
    r.AppInfo = app;
    c.push_back(r);
  }
  {
    // A refused certificate: nothing is requested, nothing on disk changes.
    RunCase r;
    r.Name = "AnUntrustedCertificateChangesNothing";
    r.Https = static_cast<int>(Site::UntrustedIssuer);
    r.ExitCode = 2;
    r.List = kOneFile;
    r.Server = {a};
    r.Installed = {{"a.txt", "old a"}};
    r.Lines = {kGet, "*/up.txt could not be fetched: the certificate of localhost is not issued by a trusted authority",
               kDone};
    r.After = {{"a.txt", "old a"}};
    c.push_back(r);
  }
  return c;
}

void PrintTo(const RunCase& r, std::ostream* out) { *out << r.Name; }

class UpdateRunTest : public ::testing::TestWithParam<RunCase> {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10}); }

  void SetUp() override {
    test::UsePrivateWindowFolder(FInstall.At("windows"));
    ASSERT_TRUE(test::WaitUntil([] { return !IsToolRunning(); }, 15s)) << "a tool is in the way";
    FInstall.Enter();
  }

  void TearDown() override {
    FInstall.Leave();
    CloseToolWindow();  // one that refuses ends by its lifetime
    EXPECT_TRUE(test::WaitUntil([] { return !IsToolRunning(); }, 15s));
  }

  // The case's files, in a folder of the web server of its own.
  std::string Publish(const RunCase& r) {
    const std::string folder = "run-" + r.Name;
    if (!r.List.empty()) Server().WriteFile(folder + "/up.txt", ListText(r.List));
    for (const auto& f : r.Server) Server().WriteFile(folder + "/" + f.Name, Bytes(f.Bytes));
    if (r.Https != 0) {
      Server().TrustTestAuthority();
      return Server().HttpsBaseUrl(static_cast<test::TestWebServer::TlsSite>(r.Https)) + folder + "/";
    }
    return Server().BaseUrl() + folder + "/";
  }

  static std::string Bytes(const std::string& text) {
    return text == kFake ? test::FakeProgramBytes() : text;
  }

  static test::TestWebServer& Server() { return test::TestWebServer::Instance(); }

  test::TTestInstallation FInstall;
};

TEST_P(UpdateRunTest, Run) {
  const RunCase& r = GetParam();
  UpdateBaseUrl = Publish(r);
  if (!r.Config.empty()) {
    std::string config = r.Config;
    const std::string port = "<proxy port>";
    if (auto at = config.find(port); at != std::string::npos) {
      config.replace(at, port.size(), std::to_string(Server().ProxyPort()));
    }
    FInstall.Write("config.ini", config);
  }
  for (const auto& f : r.Installed) {
    if (f.Bytes == kFake) {
      test::InstallFakeProgram(FInstall.At(f.Name));
    } else {
      FInstall.Write(f.Name, f.Bytes);
    }
  }
  for (const auto& name : r.ReadOnly) test::SetReadOnly(FInstall.At(name), true);
  const std::string toolCopy = test::InstallFakeProgram(FInstall.At("qvxtool.exe")).string();
  ToolExePath = r.ToolArgument ? toolCopy : "";
  CurrentSetupId = r.CurrentSetupId;
  if (r.RunningTool != Tool::None) {
    // The running tool is the installed executable, as it is for real.
    const std::string args = r.RunningTool == Tool::Refuses ? "--ignore-close --lifetime=3000"
                                                            : "--lifetime=20000";
    ASSERT_TRUE(ShellOpen(toolCopy, args));
    ASSERT_TRUE(test::WaitUntil([] { return IsToolRunning(); }));
  }

  test::TRecordingStatusSink sink;
  test::RunWorker(sink, [&](TDownShareFileThread& worker) {
    if (!r.CancelAtProgressAfter.empty()) {
      sink.OnProgress = [&worker, &sink, &r] {
        // What the window's Close does while a transfer runs.
        if (sink.Lines.back() == r.CancelAtProgressAfter) {
          worker.CancelTransfer();
          worker.Terminate();
        }
      };
    }
    if (!r.StopAfterLine.empty()) {
      sink.OnLine = [&worker, &r](const std::string& line) {
        if (line == r.StopAfterLine) worker.Terminate();
      };
    }
  });

  ASSERT_EQ(sink.Lines.size(), r.Lines.size()) << ::testing::PrintToString(sink.Lines);
  for (size_t i = 0; i < r.Lines.size(); ++i) {
    EXPECT_TRUE(LineMatches(sink.Lines[i], r.Lines[i]))
        << "line " << i << ": '" << sink.Lines[i] << "', expected '" << r.Lines[i] << "'";
  }
  for (const auto& f : r.After) {
    ASSERT_TRUE(FInstall.Exists(f.Name)) << f.Name;
    EXPECT_TRUE(FInstall.Read(f.Name) == Bytes(f.Bytes)) << f.Name << " differs";
  }
  for (const auto& name : r.Absent) EXPECT_FALSE(FInstall.Exists(name)) << name;
  if (r.AppInfo == "-") {
    EXPECT_FALSE(FInstall.Exists("data\\App.info"));
  } else {
    EXPECT_EQ(FInstall.Read("data\\App.info"), r.AppInfo);
  }
  EXPECT_EQ(sink.Messages, r.Messages);
  EXPECT_EQ(sink.RetryEnabled, r.Retry);
  if (!r.Progress.empty()) {
    EXPECT_EQ(sink.Progress, r.Progress);
  }
  EXPECT_EQ(IsToolRunning(), r.ToolRunningAfter);
  EXPECT_EQ(RunExitCode(), r.ExitCode);

  const std::string setup = FInstall.At("setup.exe");
  if (r.InstallerStarted) {
    EXPECT_TRUE(test::WaitUntil([&] { return test::FakeProgramMark(setup) == "\n"; }));
  } else {
    std::this_thread::sleep_for(200ms);  // time enough for a wrongly started one to leave a mark
    EXPECT_EQ(test::FakeProgramMark(setup), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, UpdateRunTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace qvx
