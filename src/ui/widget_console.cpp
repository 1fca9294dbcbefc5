// The console back end. Controls keep their values; while a form is visible, the lines added to
// its memos go to standard output and its gauges show as a text bar on standard error while that
// is a terminal (so the lines stay clean when standard output goes to a file). Ctrl-C is the
// close box of the visible main form.
#include <cstdio>
#include <string>

#include "platform/console_io.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/gauge.h"
#include "ui/std_controls.h"
#include "ui/widget.h"

namespace qvx {

namespace {

constexpr uint32_t kCloseRequest = 0x0010;  // the platform's WM_CLOSE
constexpr int kBarWidth = 40;

// The form that Ctrl-C closes; touched on the user-interface thread only.
TForm* gCloseTarget = nullptr;
// The gauge whose bar is on the terminal's last line, to be redrawn after a memo line.
const TGauge* gBarGauge = nullptr;

const TControl* RootOf(const TControl& control) {
  const TControl* c = &control;
  while (c->Parent()) c = c->Parent();
  return c;
}

bool Showing(const TControl& control) {
  for (const TControl* c = &control; c; c = c->Parent())
    if (!c->Visible()) return false;
  return true;
}

void DrawBar(const TGauge& gauge) {
  const int percent = gauge.PercentDone();
  const int filled = percent * kBarWidth / 100;
  std::string bar = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                    std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] " +
                    std::to_string(percent) + "%\x1b[K";
  std::fputs(bar.c_str(), stderr);
  std::fflush(stderr);
  gBarGauge = &gauge;
}

void PrintLine(const std::string& line) {
  const TGauge* bar = gBarGauge;
  if (bar) {
    std::fputs("\r\x1b[K", stderr);  // the line takes the bar's place
    std::fflush(stderr);
  }
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  gBarGauge = nullptr;
  if (bar) DrawBar(*bar);
}

// Ctrl-C arrives on the console watcher's thread; the form is closed on the user-interface thread.
class TCloseReceiver : public TMessageReceiver {
 public:
  void HandleMessage(uint32_t message, uintptr_t, intptr_t) override {
    if (message == kCloseRequest && gCloseTarget) gCloseTarget->Close();
  }
};
TCloseReceiver gCloseReceiver;

void WatchCtrlC() {
  static bool watching = false;
  if (watching) return;
  watching = true;
  TApplication* app = &TApplication::Instance();
  WatchInterrupts([app] { app->Post(&gCloseReceiver, kCloseRequest); });
}

class TConsoleWidget : public TWidget {
 public:
  explicit TConsoleWidget(TControl& control) : FControl(control) {}
  ~TConsoleWidget() override {
    if (gCloseTarget == &FControl) gCloseTarget = nullptr;
    if (gBarGauge == &FControl) gBarGauge = nullptr;
  }

  void Changed(TChange what, int index) override {
    if (what == TChange::Visible) {
      if (auto* form = dynamic_cast<TForm*>(&FControl)) FormVisibility(*form);
      return;
    }
    if (!Showing(FControl)) return;
    if (what == TChange::LineAdded) {
      if (auto* memo = dynamic_cast<TMemo*>(&FControl)) PrintLine(memo->Lines()->Strings(index));
    } else if (what == TChange::Progress) {
      auto* gauge = dynamic_cast<TGauge*>(&FControl);
      if (gauge && StreamIsTerminal(TStdStream::Error)) DrawBar(*gauge);
    }
  }
  void* Handle() const override { return nullptr; }
  void NonClientSize(int32_t& dx, int32_t& dy) const override { dx = dy = 0; }

 private:
  void FormVisibility(TForm& form) {
    if (form.Visible() && form.IsMainForm()) {
      gCloseTarget = &form;
      WatchCtrlC();
    } else if (!form.Visible()) {
      if (gCloseTarget == &form) gCloseTarget = nullptr;
      if (gBarGauge && RootOf(*gBarGauge) == &form) {
        std::fputc('\n', stderr);  // leave the bar's last state on its own line
        std::fflush(stderr);
        gBarGauge = nullptr;
      }
    }
  }

  TControl& FControl;
};

}  // namespace

std::unique_ptr<TWidget> CreateWidget(TControl& control) {
  return std::make_unique<TConsoleWidget>(control);
}

}  // namespace qvx
