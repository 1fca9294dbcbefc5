// The window program as a user sees it (under Wine with a display): a real installation, a
// release published with qvxpublish on nginx, the fake tool as qvxtool.exe. The test starts
// qvxupdate.exe, finds its window among the process's top-level windows and reads the controls
// back (class, position, size, text, state) as any other program could.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_fixture.h"
#include "e2e/png_file.h"
#include "support/fake_tool.h"

namespace qvx::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kUpdating = "Updating: ";        // message 147 of the installation's data
const std::string kFinished = "Update finished.";  // message 146

struct TChild {
  HWND Handle;
  std::string Class;
  RECT Bounds;  // in the window's client area
  std::string Text;
  LONG Style;
  LONG ExStyle;
};

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// GetWindowText reads only the caption a window of another process was made with; the text a
// control holds now has to be asked for with WM_GETTEXT.
std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
    return std::string();
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(copied);
  return text;
}

// The direct children of window, in their order among their siblings (the tab order first).
std::vector<TChild> ChildrenOf(HWND window) {
  std::vector<TChild> children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    children.push_back({child, ClassOf(child), r, TextOf(child), GetWindowLongA(child, GWL_STYLE),
                        GetWindowLongA(child, GWL_EXSTYLE)});
  }
  return children;
}

// The memo's lines: the text split at CR LF, without the empty piece after the last break.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t cut = text.find("\r\n", start);
    if (cut == std::string::npos) cut = text.size();
    lines.push_back(text.substr(start, cut - start));
    start = cut + 2;
  }
  return lines;
}

class TRunningUpdater {
 public:
  TRunningUpdater(const TE2eInstallation& installation, const std::vector<std::string>& args) {
    std::string commandLine = "\"" + installation.Program() + "\"";
    for (const std::string& arg : args) commandLine += " \"" + arg + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(installation.Program().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                        nullptr, installation.Folder().Path().c_str(), &startup, &info))
      throw std::runtime_error("CreateProcess failed: " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    FProcess = info.hProcess;
    FPid = info.dwProcessId;
    Started = Clock::now();
  }
  ~TRunningUpdater() {
    if (WaitForSingleObject(FProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(FProcess, 99);
      WaitForSingleObject(FProcess, 5000);
    }
    CloseHandle(FProcess);
  }

  // The visible update window of the process; nullptr when it does not show within the limit.
  HWND WaitForWindow(std::chrono::milliseconds limit = 20000ms) {
    WaitUntil([&] { return (FWindow = FindWindowOfProcess()) != nullptr; }, limit);
    return FWindow;
  }
  HWND Window() const { return FWindow; }
  HWND Child(const std::string& className, int index = 0) const {
    for (const TChild& child : ChildrenOf(FWindow))
      if (_stricmp(child.Class.c_str(), className.c_str()) == 0 && index-- == 0) return child.Handle;
    return nullptr;
  }
  bool Ended() const { return WaitForSingleObject(FProcess, 0) == WAIT_OBJECT_0; }
  bool WaitForEnd(std::chrono::milliseconds limit) {
    return WaitForSingleObject(FProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
  }
  DWORD Pid() const { return FPid; }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(FProcess, &code);
    return code;
  }

  Clock::time_point Started;

 private:
  HWND FindWindowOfProcess() {
    struct Search {
      DWORD Pid;
      HWND Found;
    } search = {FPid, nullptr};
    // The callback is a local class's static member: a lambda would not have the stdcall
    // convention that WNDENUMPROC needs in the 32-bit build.
    struct Visit {
      static BOOL CALLBACK Window(HWND window, LPARAM param) {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == s->Pid && IsWindowVisible(window) && ClassOf(window) == "TQvxForm") {
          s->Found = window;
          return FALSE;
        }
        return TRUE;
      }
    };
    EnumWindows(&Visit::Window, reinterpret_cast<LPARAM>(&search));
    return search.Found;
  }

  HANDLE FProcess = nullptr;
  DWORD FPid = 0;
  HWND FWindow = nullptr;
};

// Copies what the screen shows of window's client area into a PNG file.
bool SaveScreenshot(HWND window, const std::string& path) {
  RECT r;
  GetClientRect(window, &r);
  MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> pixels(p, p + static_cast<size_t>(width) * height);
    for (uint32_t& v : pixels) v &= 0xFFFFFF;
    saved = WritePng(path, width, height, pixels);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

class WindowProgram : public ::testing::Test {
 protected:
  void TearDown() override {
    // A tool that a run started holds its window until told to close.
    if (HWND tool = FindWindowA("TfrmCat", nullptr)) PostMessageA(tool, WM_CLOSE, 0, 0);
    WaitUntil([] { return FindWindowA("TfrmCat", nullptr) == nullptr; }, 5000ms);
  }
};

// What Windows reads from the file before the program runs: without the manifest's "asInvoker"
// a program whose name holds "update" is taken for an installer and elevated.
TEST_F(WindowProgram, TheProgramFileIsAWindowProgramThatRunsAsInvokerAndCarriesItsVersion) {
  const std::string program = UpdaterProgram();
  std::ifstream in(program, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 0x200u);
  const auto peOffset = *reinterpret_cast<const uint32_t*>(&bytes[0x3C]);
  ASSERT_LT(peOffset + sizeof(IMAGE_NT_HEADERS), bytes.size());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(&bytes[peOffset]);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

  HMODULE module = LoadLibraryExA(program.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
  ASSERT_NE(manifest, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                         SizeofResource(module, manifest));
  EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos) << text;
  EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos) << text;
  EXPECT_NE(FindResourceA(module, "UPDATE_PICTURE", MAKEINTRESOURCEA(2)), nullptr);  // RT_BITMAP
  FreeLibrary(module);

  DWORD ignored = 0;
  std::string info(GetFileVersionInfoSizeA(program.c_str(), &ignored), '\0');
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(info.size()), &info[0]));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(&info[0], "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
  char* name = nullptr;
  ASSERT_TRUE(VerQueryValueA(&info[0], "\\StringFileInfo\\040904B0\\OriginalFilename",
                             reinterpret_cast<void**>(&name), &length));
  EXPECT_STREQ(name, "qvxupdate.exe");
}

TEST_F(WindowProgram, NormalRoadShowsEachStepAndClosesStartingTheTool) {
  const std::string folder = "e2e-window-normal";
  const std::string url = PublishRelease(
      folder, {{"readme.txt", "new readme"}, {"data\\extra.ini", "[x]\r\n"}}, 100, "2026-12-01");
  TE2eInstallation installation(url);
  installation.WriteOld("readme.txt", "old readme");

  TRunningUpdater updater(installation, {installation.ToolArgument('1', 100)});
  ASSERT_NE(updater.WaitForWindow(), nullptr);
  const Clock::time_point shown = Clock::now();
  HWND memo = updater.Child("Edit");
  ASSERT_NE(memo, nullptr);

  // Follow the memo until the window goes: when its first line came and when it last changed.
  HWND window = updater.Window();
  Clock::time_point firstLine{}, lastChange{};
  std::string seen;
  std::vector<std::string> lines;
  while (IsWindow(window) && IsWindowVisible(window) && Clock::now() - shown < 30s) {
    const std::string text = TextOf(memo);
    // A memo that is being destroyed answers with nothing; a run never empties it.
    if (!text.empty() && text != seen) {
      if (seen.empty()) firstLine = Clock::now();
      lastChange = Clock::now();
      seen = text;
      lines = LinesOf(text);
    }
    std::this_thread::sleep_for(10ms);
  }
  const Clock::time_point closed = Clock::now();
  ASSERT_TRUE(updater.WaitForEnd(10000ms));
  EXPECT_EQ(updater.ExitCode(), 0u);

  std::vector<std::string> expected = {kUpdating};
  for (const std::string& name : ListedNames(folder))
    expected.push_back(kUpdating + name.substr(name.find_last_of('\\') + 1));
  expected.push_back(kFinished);
  EXPECT_EQ(lines, expected);
  // About one second from the window to the first line, and from the last line to its closing;
  // the closing here also waits for the shell to start the tool, which under Wine takes a few
  // seconds of its own (the case of a running tool times the closing alone).
  EXPECT_GE(firstLine - shown, 700ms);
  EXPECT_LE(firstLine - shown, 2500ms);
  EXPECT_GE(closed - lastChange, 700ms);
  EXPECT_LE(closed - lastChange, 8s);

  EXPECT_EQ(installation.Folder().Read("readme.txt"), "new readme");
  EXPECT_EQ(installation.Folder().Read("data\\extra.ini"), "[x]\r\n");
  EXPECT_EQ(installation.AppInfo(), "AppDate=2026-12-01\r\nListSerial=1\r\n");
  EXPECT_TRUE(WaitUntil([&] { return installation.ToolStarts() == "usb\n"; }))
      << installation.ToolStarts();
}

// A release whose first file comes at the slow server's pace; returns once the window shows
// that file's download under way.
struct TSlowRun {
  explicit TSlowRun(const std::string& folder)
      : installation(PublishRelease(folder,
                                    {{"big.bin", std::string(4 << 20, 'b')}, {"small.txt", "small"}},
                                    100, "2026-12-03", /*slow=*/true)),
        updater(installation, {installation.ToolArgument('0', 100)}) {}

  bool WaitForDownload() {
    if (!updater.WaitForWindow()) return false;
    HWND memo = updater.Child("Edit");
    HWND gauge = updater.Child("TQvxGauge");
    return memo && gauge && WaitUntil([&] {
             const std::vector<std::string> lines = LinesOf(TextOf(memo));
             // The gauge still shows the list's single block until the file's first block
             // has come and set the range anew. The release's files start at once: small.txt's
             // line may follow big.bin's.
             return std::find(lines.begin(), lines.end(), kUpdating + "big.bin") != lines.end() &&
                    SendMessageA(gauge, PBM_GETRANGE, FALSE, 0) > 1 &&
                    SendMessageA(gauge, PBM_GETPOS, 0, 0) > 0;
           }, 20000ms);
  }

  TE2eInstallation installation;
  TRunningUpdater updater;
};

TEST_F(WindowProgram, CloseDuringADownloadStartsTheToolThenCancelsAndEnds) {
  TSlowRun run("e2e-window-close");
  ASSERT_TRUE(run.WaitForDownload());
  // The moment worth a picture: the run under way, the gauge moving.
  EXPECT_TRUE(SaveScreenshot(run.updater.Window(), E2eOutputFolder() + "\\window.png"));

  HWND close = run.updater.Child("Button", 0);
  ASSERT_EQ(TextOf(close), "Close");
  const Clock::time_point pressed = Clock::now();
  PostMessageA(close, BM_CLICK, 0, 0);
  Clock::time_point toolStarted{};
  while (!run.updater.Ended() && Clock::now() - pressed < 10s) {
    if (toolStarted == Clock::time_point{} && !run.installation.ToolStarts().empty())
      toolStarted = Clock::now();
    std::this_thread::sleep_for(5ms);
  }
  const Clock::time_point ended = Clock::now();
  ASSERT_TRUE(run.updater.WaitForEnd(5000ms));
  EXPECT_NE(toolStarted, Clock::time_point{}) << "the tool was started only after the end, or never";
  EXPECT_LE(ended - pressed, 4s);
  EXPECT_TRUE(WaitUntil([&] { return run.installation.ToolStarts() == "\n"; }));
  EXPECT_FALSE(run.installation.Folder().Exists("big.bin"));
  EXPECT_FALSE(run.installation.Folder().Exists("small.txt"));
  // The list asks for a whole release: a stopped one is not installed, and its date not
  // recorded.
  EXPECT_EQ(run.installation.AppInfo(), "-");
}

TEST_F(WindowProgram, TheCloseBoxEndsTheRunWithoutStartingTheTool) {
  TSlowRun run("e2e-window-closebox");
  ASSERT_TRUE(run.WaitForDownload());
  const Clock::time_point pressed = Clock::now();
  PostMessageA(run.updater.Window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(run.updater.WaitForEnd(10000ms));
  EXPECT_EQ(run.updater.ExitCode(), 1u) << "the files were not all fetched";
  EXPECT_LE(Clock::now() - pressed, 4s);
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(run.installation.ToolStarts(), "");
  EXPECT_FALSE(run.installation.Folder().Exists("big.bin"));
}

// A visible message box (dialog class "#32770") of the process, or nullptr.
HWND MessageBoxOf(DWORD pid) {
  struct Search {
    DWORD Pid;
    HWND Found;
  } search = {pid, nullptr};
  struct Visit {
    static BOOL CALLBACK Window(HWND window, LPARAM param) {
      auto* s = reinterpret_cast<Search*>(param);
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == s->Pid && IsWindowVisible(window) && ClassOf(window) == "#32770") {
        s->Found = window;
        return FALSE;
      }
      return TRUE;
    }
  };
  EnumWindows(&Visit::Window, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// The window program has no console: the usage comes in a message box, and no update runs.
TEST_F(WindowProgram, HelpAndAWrongArgumentShowTheUsageInAMessageBoxAndRunNoUpdate) {
  const std::string url =
      PublishRelease("e2e-window-help", {{"readme.txt", "new readme"}}, 100, "2026-12-06");
  TE2eInstallation installation(url);
  installation.WriteOld("readme.txt", "old readme");
  const std::vector<std::pair<std::string, DWORD>> cases = {{"--help", 0}, {"/?", 0},
                                                            {installation.Tool(), 3}};
  for (const auto& [argument, code] : cases) {
    TRunningUpdater updater(installation, {argument});
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = MessageBoxOf(updater.Pid())) != nullptr; }, 20000ms))
        << argument;
    std::string text;
    for (const TChild& child : ChildrenOf(box)) text += child.Text + "\n";
    EXPECT_NE(text.find("Usage: qvxupdate"), std::string::npos) << argument << ": " << text;
    EXPECT_EQ(updater.WaitForWindow(200ms), nullptr) << "no update window";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(updater.WaitForEnd(10000ms)) << argument;
    EXPECT_EQ(updater.ExitCode(), code) << argument;
  }
  EXPECT_EQ(installation.Folder().Read("readme.txt"), "old readme");
  EXPECT_FALSE(installation.Folder().Exists("data\\update.log"));
}

// A release that lists the updater with its hash: the running qvxupdate.exe replaces itself (its
// file moved aside, the new one put in its place); the next start is the new program, which
// writes its version into the log before the set-aside copy goes.
TEST_F(WindowProgram, TheRunningUpdaterReplacesItselfAndTheNextStartIsTheNewProgram) {
  std::ifstream in(NextUpdaterProgram(), std::ios::binary);
  const std::string next((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(next.empty());
  const std::string url = PublishRelease(
      "e2e-window-self-update", {{"qvxupdate.exe", next}, {"readme.txt", "new readme"}}, 100, "2026-12-04");
  TE2eInstallation installation(url);
  const std::string aside = ".qvxupdate.exe.qvxold";
  {
    TRunningUpdater updater(installation, {installation.ToolArgument('1', 100)});
    ASSERT_NE(updater.WaitForWindow(), nullptr);
    ASSERT_TRUE(updater.WaitForEnd(30000ms));
    EXPECT_EQ(updater.ExitCode(), 0u);
  }
  EXPECT_TRUE(installation.Folder().Read("qvxupdate.exe") == next) << "the updater's file was not replaced";
  EXPECT_EQ(installation.Folder().Read("readme.txt"), "new readme");
  // The process that ran held its file, so the old copy is still beside the new one.
  EXPECT_TRUE(installation.Folder().Exists(aside));
  {
    TRunningUpdater updater(installation, {installation.ToolArgument('1', 100)});
    ASSERT_NE(updater.WaitForWindow(), nullptr);
    ASSERT_TRUE(updater.WaitForEnd(30000ms));
    EXPECT_EQ(updater.ExitCode(), 0u);
  }
  const std::string log = installation.Folder().Read("data\\update.log");
  const std::string opening = "  --- qvxupdate ";
  const size_t firstRun = log.find(opening);
  const size_t secondRun = log.find(opening, firstRun + 1);
  ASSERT_NE(secondRun, std::string::npos) << log;
  EXPECT_EQ(log.compare(firstRun, opening.size() + 7, opening + "1.0.0, "), 0) << log;
  EXPECT_EQ(log.compare(secondRun, opening.size() + 12, opening + "1.0.0-next, "), 0) << log;
  EXPECT_NE(log.find("The updater was updated; the new version runs next time.\r\n"), std::string::npos) << log;
  EXPECT_FALSE(installation.Folder().Exists(aside));
}

TEST_F(WindowProgram, AListThatCannotBeFetchedEndsWithExitCodeTwo) {
  TE2eInstallation installation("http://127.0.0.1:1/qvx/");
  TRunningUpdater updater(installation, {installation.ToolArgument('0', 100)});
  ASSERT_NE(updater.WaitForWindow(), nullptr);
  ASSERT_TRUE(updater.WaitForEnd(20000ms));
  EXPECT_EQ(updater.ExitCode(), 2u);
  const std::string log = installation.Folder().Read("data\\update.log");
  EXPECT_NE(log.find("could not be fetched: connection refused\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("--- exit code 2\r\n"), std::string::npos) << log;
}

TEST_F(WindowProgram, ARunningToolIsNotStartedASecondTime) {
  // A whole release closes the tool before its switch; a list applied file by file leaves it
  // running when no file of the tool's own is replaced.
  const std::string url = PublishRelease("e2e-window-running", {{"readme.txt", "new readme"}}, 100,
                                         "2026-12-04", /*slow=*/false, /*perFile=*/true);
  TE2eInstallation installation(url);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string commandLine = "\"" + installation.Tool() + "\" --lifetime=60000";
  ASSERT_TRUE(CreateProcessA(installation.Tool().c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                             0, nullptr, nullptr, &startup, &info));
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  ASSERT_TRUE(WaitUntil([] { return FindWindowA("TfrmCat", nullptr) != nullptr; }));

  TRunningUpdater updater(installation, {installation.ToolArgument('1', 100)});
  HWND window = updater.WaitForWindow();
  ASSERT_NE(window, nullptr);
  HWND memo = updater.Child("Edit");
  ASSERT_TRUE(WaitUntil([&] {
    const std::vector<std::string> lines = LinesOf(TextOf(memo));
    return !lines.empty() && lines.back() == kFinished;
  }, 20000ms));
  const Clock::time_point lastLine = Clock::now();
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 10000ms));
  // Nothing to start: the window closes one second after the last line.
  EXPECT_GE(Clock::now() - lastLine, 700ms);
  EXPECT_LE(Clock::now() - lastLine, 2000ms);
  ASSERT_TRUE(updater.WaitForEnd(10000ms));
  EXPECT_EQ(installation.Folder().Read("readme.txt"), "new readme");
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(installation.ToolStarts(), "--lifetime=60000\n");
}

TEST_F(WindowProgram, ARunThatAnErrorEndedKeepsTheWindowOpenAsDesigned) {
  const std::string url = WriteUpdateFolder(
      "e2e-window-error",
      {{"up.txt",
        "softid=100\r\nfilecount=1\r\nfilename0=readme.txt\r\nfiledate0=2099-13-01-00-00-00\r\n"
        "AppDate=2026-12-05\r\n"}});
  TE2eInstallation installation(url);
  installation.WriteOld("readme.txt", "old readme");
  TRunningUpdater updater(installation, {installation.ToolArgument('1', 100)});
  HWND window = updater.WaitForWindow();
  ASSERT_NE(window, nullptr);
  HWND memo = updater.Child("Edit");
  ASSERT_TRUE(WaitUntil([&] { return LinesOf(TextOf(memo)).size() == 2; }, 10000ms)) << TextOf(memo);
  // Longer than the pause before a run's end would close the window.
  std::this_thread::sleep_for(1500ms);
  ASSERT_FALSE(updater.Ended());
  const std::vector<std::string> lines = LinesOf(TextOf(memo));
  EXPECT_EQ(lines[0], kUpdating);
  EXPECT_NE(lines[1].find("is not a valid date and time"), std::string::npos) << lines[1];

  // The window against its layout table, with the texts of the installation's translation.
  EXPECT_EQ(TextOf(window), "qvxtool Update");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 518);
  EXPECT_EQ(client.bottom, 256);
  RECT frame, work;
  GetWindowRect(window, &frame);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((frame.left + frame.right) - (work.left + work.right)), 2);
  EXPECT_LE(std::abs((frame.top + frame.bottom) - (work.top + work.bottom)), 2);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX));

  struct TExpected {
    const char* Class;
    RECT Bounds;
    const char* Text;  // nullptr: not compared
  };
  // In their order among the siblings: the tab order (Memo1, BitBtn1, Button1), then the rest
  // as they were made.
  const std::vector<TExpected> table = {
      {"Edit", {133, 25, 133 + 369, 25 + 140}, nullptr},
      {"Button", {134, 220, 134 + 87, 220 + 23}, "Close"},
      {"Button", {238, 220, 238 + 87, 220 + 23}, "Retry"},
      {"Static", {5, 8, 5 + 115, 8 + 229}, ""},
      // The translation widens the two labels for its longer captions (designed: 46 and 41).
      {"Static", {133, 4, 133 + 60, 4 + 13}, "Information"},
      {"Static", {133, 171, 133 + 52, 171 + 13}, "Progress:"},
      {"TQvxGauge", {133, 190, 133 + 369, 190 + 17}, nullptr},
  };
  const std::vector<TChild> children = ChildrenOf(window);
  ASSERT_EQ(children.size(), table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(std::string(table[i].Class) + " " + std::to_string(i));
    const TChild& c = children[i];
    EXPECT_EQ(_stricmp(c.Class.c_str(), table[i].Class), 0) << c.Class;
    EXPECT_EQ(c.Bounds.left, table[i].Bounds.left);
    EXPECT_EQ(c.Bounds.top, table[i].Bounds.top);
    EXPECT_EQ(c.Bounds.right, table[i].Bounds.right);
    EXPECT_EQ(c.Bounds.bottom, table[i].Bounds.bottom);
    if (table[i].Text) {
      EXPECT_EQ(c.Text, table[i].Text);
    }
  }
  const TChild& memoChild = children[0];
  EXPECT_TRUE(memoChild.Style & WS_VSCROLL);
  EXPECT_TRUE(memoChild.Style & ES_MULTILINE);
  EXPECT_FALSE(memoChild.Style & ES_READONLY);
  EXPECT_FALSE(memoChild.Style & WS_TABSTOP);
  EXPECT_FALSE(memoChild.ExStyle & WS_EX_CLIENTEDGE);  // flat
  EXPECT_TRUE(children[1].Style & WS_TABSTOP);
  EXPECT_TRUE(IsWindowVisible(children[1].Handle));
  // Retry: enabled by the failed run, and still invisible.
  EXPECT_TRUE(IsWindowEnabled(children[2].Handle));
  EXPECT_FALSE(IsWindowVisible(children[2].Handle));
  EXPECT_NE(SendMessageA(children[3].Handle, STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "no picture";
  // The gauge keeps the range of the last transfer (the list's one block); it starts at 0.
  EXPECT_EQ(SendMessageA(children[6].Handle, PBM_GETRANGE, TRUE, 0), 0);

  PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(updater.WaitForEnd(5000ms));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(installation.ToolStarts(), "");
  EXPECT_EQ(installation.AppInfo(), "-");
  EXPECT_EQ(installation.Folder().Read("readme.txt"), "old readme");
}

}  // namespace
}  // namespace qvx::test
