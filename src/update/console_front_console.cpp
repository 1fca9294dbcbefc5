#include <cstdio>
#include <exception>
#include <mutex>
#include <string>

#include "platform/code_page.h"
#include "platform/console_io.h"
#include "ui/dialogs.h"
#include "ui/gauge.h"
#include "update/console_front.h"
#include "update/update_window.h"

namespace qvx {

namespace {

// Messages of the front to itself, from its watcher threads to the user-interface thread.
constexpr uint32_t kInterrupted = 0x8001;  // Ctrl-C: the close box
constexpr uint32_t kEnterPressed = 0x8002;  // Enter, or the end of standard input: Close

// The watcher threads outlive any one front; they reach the live one, if any, through this.
std::mutex gFrontLock;
TConsoleFront* gFront = nullptr;

void PostToFront(uint32_t message) {
  std::lock_guard<std::mutex> lock(gFrontLock);
  if (gFront) TApplication::Instance().PostMessage(gFront, message);
}

// Status texts are 8-bit text in the system's code page; terminals here speak UTF-8.
std::string ToUtf8(const std::string& text) {
  std::u16string wide = AnsiToWide(text);
  std::string out;
  for (size_t i = 0; i < wide.size(); ++i) {
    uint32_t c = wide[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

TConsoleFront::TConsoleFront(TfrmUpdate& form)
    : FForm(form), FBarTerminal(StreamIsTerminal(TStdStream::Error)) {
  {
    std::lock_guard<std::mutex> lock(gFrontLock);
    gFront = this;
  }
  FForm.OnStatusLine = [this](const std::string& line) { ShowLine(line); };
  FForm.OnGaugeChanged = [this] { ShowGauge(); };
  FForm.OnRetryEnabled = [this] { AwaitClose(); };
  static std::once_flag watching;
  std::call_once(watching, [] { WatchInterrupt([] { PostToFront(kInterrupted); }); });
}

TConsoleFront::~TConsoleFront() {
  {
    std::lock_guard<std::mutex> lock(gFrontLock);
    gFront = nullptr;
  }
  TApplication::Instance().CancelMessages(this);
  FForm.OnStatusLine = nullptr;
  FForm.OnGaugeChanged = nullptr;
  FForm.OnRetryEnabled = nullptr;
  ClearBar();
}

void TConsoleFront::HandleMessage(uint32_t message, uintptr_t, intptr_t) {
  // Run from the loop, which no exception may leave.
  try {
    if (message == kInterrupted) {
      FForm.Close();
    } else if (message == kEnterPressed) {
      FForm.BitBtn1Click(&FForm);
    }
  } catch (const std::exception& e) {
    ShowErrorMessage(e.what());
  }
}

void TConsoleFront::ShowLine(const std::string& line) {
  ClearBar();
  std::string text = ToUtf8(line) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void TConsoleFront::ShowGauge() {
  if (!FBarTerminal) return;
  int32_t percent = FForm.Gauge_process->PercentDone();
  if (FBarShown && percent == FBarPercent) return;
  FBarPercent = percent;
  int32_t width = TerminalColumns() - 8;
  if (width > 50) width = 50;
  if (width < 10) width = 10;
  int32_t filled = width * percent / 100;
  std::string bar = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                    std::string(static_cast<size_t>(width - filled), '.') + "] ";
  std::fprintf(stderr, "%s%3d%%", bar.c_str(), static_cast<int>(percent));
  std::fflush(stderr);
  FBarShown = true;
}

void TConsoleFront::ClearBar() {
  if (!FBarShown) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  FBarShown = false;
}

void TConsoleFront::AwaitClose() {
  if (FAwaitingClose) return;
  FAwaitingClose = true;
  // Called inside the worker's synchronous call: Close waits for the worker, so it must run
  // later, from the loop.
  if (!StreamIsTerminal(TStdStream::Input)) {
    PostToFront(kEnterPressed);
    return;
  }
  ClearBar();
  std::fputs("Press Enter to close.\n", stderr);
  std::fflush(stderr);
  WatchInputLine([] { PostToFront(kEnterPressed); });
}

}  // namespace qvx
