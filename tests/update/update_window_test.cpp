// The update window in process: its creation (launch arguments, translation, base URL, and an
// error on the way), what Close, the close box and WM_UPDATE_DONE start, and the whole cycle
// of a run driven by the window's own timer and loop, also when Close interrupts a download.
#include "update/run_outcome.h"
#include "update/update_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/base64.h"
#include "lang/message_strings.h"
#include "platform/launch_facts.h"
#include "platform/process.h"
#include "startup/globals.h"
#include "support/fake_tool.h"
#include "support/temp_folder.h"
#include "support/test_web_server.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/gauge.h"
#include "ui/std_controls.h"
#include "ui/strings.h"
#include "ui/timer.h"
#include "update/main_tool.h"
#include "update/update_worker.h"

namespace qvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char kLanguageIni[] =
    "[1]\r\ncon_str031=Empty.\r\ncon_str146=Done.\r\ncon_str147=\"Fetching: \"\r\n"
    "con_str148=Still open.\r\n";

// UTF-16LE with its byte-order mark, as the installation's translation file is stored.
std::string Utf16File(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

const std::string kTwoLanguages = Utf16File(
    "[Language names]\r\nLanguage_1=English\r\nLanguage_2=Other\r\n"
    "[0_frmUpdate]\r\nCaption=Update one\r\nLabel3.Caption=Information\r\n"
    "[1_frmUpdate]\r\nCaption=Update two\r\nBitBtn1.Caption=Shut\r\n");

std::string ToolArgument(const std::string& toolPath, const std::string& rest) {
  return EncodeBase64(toolPath + "|" + rest);
}

std::string Lines(const TMemo& memo) {
  std::string out;
  for (int i = 0; i < memo.Lines()->Count(); ++i) out += "[" + memo.Lines()->Strings(i) + "]";
  return out;
}

class UpdateWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    AppPath = dir.Path();
    LangIndex = 1;
    ToolExePath.clear();
    UpdateBaseUrl.clear();
    SetupIdKey.clear();
    LastSetupIdKey.clear();
    PassUsbFlag = false;
    LiteEdition = false;
    CurrentSetupId = 0;
    test::UsePrivateWindowFolder(dir.At("windows"));
    dir.Write("data\\Language.ini", kLanguageIni);
    ForgetLangStrFile();
    // The product's pauses: the cases time the run's end (other suites shorten them).
    SetWorkerPausesForTesting(TWorkerPauses{});
    SetErrorMessageHandler([this](const std::string& m) { errors.push_back(m); });
    TApplication::Instance().ResetTerminated();
  }
  void TearDown() override {
    SetErrorMessageHandler(nullptr);
    SetLaunchArguments({});
    // A tool that a case started holds its window until told to close.
    if (IsToolRunning()) CloseToolWindow();
    test::WaitUntil([] { return !IsToolRunning(); }, 5000ms);
    TApplication::Instance().ResetTerminated();
  }

  std::string InstallTool() {
    return test::InstallFakeProgram(dir.At("qvxtool.exe")).string();
  }
  std::string Mark(const std::string& tool) { return test::FakeProgramMark(tool); }

  test::TTempFolder dir;
  std::vector<std::string> errors;
};

TEST_F(UpdateWindow, CreationReadsTheArgumentsTranslatesAndTakesTheBaseUrl) {
  const std::string tool = InstallTool();
  dir.Write("Data\\Language.sil", kTwoLanguages);
  dir.Write("data\\Product.ini", "[Product]\r\nUpdateUrl=http://example.test/qvx\r\n");
  SetLaunchArguments({ToolArgument(tool, "177"), "0"});
  LangIndex = 2;

  TfrmUpdate form(nullptr);

  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(ToolExePath, tool);
  EXPECT_TRUE(PassUsbFlag);
  EXPECT_EQ(CurrentSetupId, 77);
  EXPECT_TRUE(LiteEdition);
  EXPECT_EQ(SetupIdKey, "softidlite");
  EXPECT_EQ(UpdateBaseUrl, "http://example.test/qvx/");
  // Language 2's section alone: what it does not name keeps the designed text.
  EXPECT_EQ(form.Caption(), "Update two");
  EXPECT_EQ(form.BitBtn1->Caption(), "Shut");
  EXPECT_EQ(form.Label3->Caption(), "Infomaion");
  EXPECT_EQ(form.Memo1->Lines()->Count(), 0);
  EXPECT_FALSE(form.Timer1->Enabled());
  EXPECT_FALSE(form.Button1->Visible());
  EXPECT_EQ(form.Worker(), nullptr);
}

TEST_F(UpdateWindow, AnErrorWhileTranslatingIsShownAndEndsTheCreationSteps) {
  const std::string tool = InstallTool();
  // Setting a component's name to a text that is no identifier fails; the line after it and
  // the creation steps after the translation are never reached.
  dir.Write("Data\\Language.sil",
            Utf16File("[Language names]\r\nLanguage_1=English\r\n[0_frmUpdate]\r\n"
                      "Caption=Before\r\nLabel4.Name=not a name\r\nLabel3.Caption=After\r\n"));
  dir.Write("data\\Product.ini", "[Product]\r\nUpdateUrl=http://example.test/qvx\r\n");
  SetLaunchArguments({ToolArgument(tool, "05"), "0"});

  TfrmUpdate form(nullptr);

  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("not a name"), std::string::npos) << errors[0];
  EXPECT_EQ(form.Caption(), "Before");
  EXPECT_EQ(form.Label3->Caption(), "Infomaion");
  EXPECT_EQ(ToolExePath, tool);  // read before the translation
  EXPECT_EQ(CurrentSetupId, 5);
  EXPECT_FALSE(LiteEdition);
  EXPECT_EQ(SetupIdKey, "");
  EXPECT_EQ(UpdateBaseUrl, "");
  // The window is whole all the same and can be shown.
  form.Show();
  EXPECT_TRUE(form.Timer1->Enabled());
}

TEST_F(UpdateWindow, ClosingStartsTheToolOnlyThroughCloseAndOnlyWhenItIsNotRunning) {
  enum class How { CloseButton, UpdateDone, CloseBox };
  struct Case {
    const char* Name;
    How Closing;
    bool ToolArgument;
    const char* Rest;      // after the "|" of the first argument
    bool ToolRunning;
    const char* Expected;  // the tool's mark afterwards
  };
  const std::vector<Case> cases = {
      {"close button, usb", How::CloseButton, true, "15", false, "usb\n"},
      {"update done, no usb", How::UpdateDone, true, "05", false, "\n"},
      {"close box", How::CloseBox, true, "15", false, ""},
      {"tool running", How::CloseButton, true, "15", true, "--window\n"},
      {"update done, tool running", How::UpdateDone, true, "15", true, "--window\n"},
      {"no tool path", How::CloseButton, false, "15", false, ""},
  };
  const std::string tool = InstallTool();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove(tool + ".mark");
    if (c.ToolRunning) {
      ASSERT_TRUE(RunCommandLine(tool + " --window"));
      ASSERT_TRUE(test::WaitUntil([] { return IsToolRunning(); }));
    }
    SetLaunchArguments({c.ToolArgument ? ToolArgument(tool, c.Rest) : std::string()});
    {
      TfrmUpdate form(nullptr);
      form.Show();
      switch (c.Closing) {
        case How::CloseButton: form.BitBtn1->Click(); break;
        case How::UpdateDone:
          // Twice, as when the run's end crosses Close: the window acts once.
          TApplication::Instance().Post(&form, WM_UPDATE_DONE, 0, 0);
          TApplication::Instance().Post(&form, WM_UPDATE_DONE, 1, 1);
          TApplication::Instance().ProcessMessages();
          break;
        case How::CloseBox: form.Close(); break;
      }
      EXPECT_FALSE(form.Visible());
    }
    const std::string expected = c.Expected;
    if (!expected.empty()) {
      EXPECT_TRUE(test::WaitUntil([&] { return Mark(tool) == expected; }));
    }
    // A start that should not happen would show within this time.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Mark(tool), expected);
    if (IsToolRunning()) CloseToolWindow();
    ASSERT_TRUE(test::WaitUntil([] { return !IsToolRunning(); }));
  }
}

// The window's own cycle: shown, one tick later the worker, and at the end of the run the
// window closes as Close does. The update list cannot be fetched here (nothing listens). No tool
// path is given: the shell's start of a tool takes its own time (seconds under Wine).
TEST_F(UpdateWindow, TheTimerStartsTheRunAndTheRunsEndClosesTheWindow) {
  dir.Write("data\\Product.ini", "[Product]\r\nUpdateUrl=http://127.0.0.1:1/none/\r\n");
  SetLaunchArguments({});
  TfrmUpdate form(nullptr);
  form.SetMainForm(true);
  Clock::time_point firstLine{}, lastLine{};
  form.OnStatusLine = [&](const std::string&) {
    if (firstLine == Clock::time_point{}) firstLine = Clock::now();
    lastLine = Clock::now();
  };
  // Closing is timed when the window's own close handling is done: hiding a window afterwards
  // can take seconds of the window system's own under Wine without a window manager.
  Clock::time_point closed{};
  const TCloseEvent formClose = form.OnClose;
  form.OnClose = [&](TObject* sender, TCloseAction& action) {
    formClose(sender, action);
    closed = Clock::now();
  };
  const Clock::time_point shown = Clock::now();
  form.Show();
  TApplication::Instance().Run();

  EXPECT_EQ(Lines(*form.Memo1),
            "[Fetching: ][The update list http://127.0.0.1:1/none/up.txt could not be fetched: "
            "connection refused][Done.]");
  EXPECT_FALSE(form.Visible());
  EXPECT_GE(firstLine - shown, 900ms);
  EXPECT_LE(firstLine - shown, 1500ms);
  EXPECT_GE(closed - lastLine, 900ms);
  EXPECT_LE(closed - lastLine, 1500ms);
}

// Presses Close once, from the loop.
struct TCloser : TMessageReceiver {
  TfrmUpdate* Form = nullptr;
  bool Clicked = false;
  ~TCloser() override { TApplication::Instance().CancelMessages(this); }
  void HandleMessage(uint32_t, uintptr_t, intptr_t) override {
    if (Clicked) return;
    Clicked = true;
    Form->BitBtn1->Click();
  }
};

// Close while a file is still coming: the transfer is cancelled, the worker's last reports are
// still served while the window waits for it, the run records its date and the loop ends.
TEST_F(UpdateWindow, CloseDuringADownloadWaitsForTheWorkerWhileServingIt) {
  test::TestWebServer& server = test::TestWebServer::Instance();
  const std::string folder = "window-close";
  server.WriteFile(folder + "/up.txt",
                   "filecount=2\r\nfilename0=big.bin\r\nfiledate0=2099-1-1-0-0-0\r\n"
                   "filename1=next.txt\r\nfiledate1=2099-1-1-0-0-0\r\nAppDate=2030-1-2\r\n");
  server.WriteFile(folder + "/big.bin", std::string(4 << 20, 'b'));
  server.WriteFile(folder + "/next.txt", "next");
  dir.Write("data\\Product.ini", "[Product]\r\nUpdateUrl=" + server.SlowBaseUrl() + folder + "\r\n");
  SetLaunchArguments({});

  TfrmUpdate form(nullptr);
  form.SetMainForm(true);
  TCloser closer;
  closer.Form = &form;
  form.OnGaugeChanged = [&] {
    // The first block of the big file (the list's own block moves the gauge too): Close, as
    // the user would, once this call has returned.
    const TStrings& lines = *form.Memo1->Lines();
    if (lines.Count() > 0 && lines.Strings(lines.Count() - 1) == "Fetching: big.bin" &&
        form.Gauge_process->Progress() > 0)
      TApplication::Instance().Post(&closer, 0, 0, 0);
  };
  form.Show();
  const Clock::time_point start = Clock::now();
  TApplication::Instance().Run();

  EXPECT_TRUE(closer.Clicked);
  EXPECT_LT(Clock::now() - start, 10s);
  const std::string lines = Lines(*form.Memo1);
  // The cancelled transfer's line and the end of the run both come after Close was pressed.
  EXPECT_EQ(lines.rfind("[Fetching: ][Fetching: big.bin][ Socket err:", 0), 0u) << lines;
  EXPECT_EQ(lines.substr(lines.size() - 7), "[Done.]") << lines;
  EXPECT_EQ(lines.find("next.txt"), std::string::npos) << lines;
  EXPECT_FALSE(dir.Exists("big.bin"));
  EXPECT_EQ(dir.Read("data\\App.info"), "AppDate=2030-1-2\r\n");
  EXPECT_EQ(form.Worker(), nullptr);
}

// Closed before the timer starts the run: no run starts afterwards, from a timer message still
// waiting in the loop or from a later round of it.
TEST_F(UpdateWindow, CloseBeforeTheRunStartsStartsNoRunLater) {
  dir.Write("data\\Product.ini", "[Product]\r\nUpdateUrl=http://127.0.0.1:1/none/\r\n");
  SetLaunchArguments({});
  ResetRunOutcome();
  TfrmUpdate form(nullptr);
  form.SetMainForm(true);
  TCloser closer;
  closer.Form = &form;
  form.Show();
  TApplication::Instance().Post(&closer, 0, 0, 0);
  TApplication::Instance().Run();
  ASSERT_TRUE(closer.Clicked);
  // Past the timer's second, as the program's loop and the form's end would give it.
  const Clock::time_point until = Clock::now() + 1500ms;
  while (Clock::now() < until) {
    TApplication::Instance().ProcessMessages();
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(form.Worker(), nullptr);
  EXPECT_EQ(Lines(*form.Memo1), "");
  // Nothing was looked at: a script must not read this as up to date.
  EXPECT_EQ(RunExitCode(), 1);
}

}  // namespace
}  // namespace qvx
