#include <cstdio>
#include <exception>
#include <mutex>

#include "platform/console_io.h"
#include "ui/dialogs.h"
#include "update/console_front.h"
#include "update/update_window.h"

namespace qvx {

namespace {

// The front's message to itself, from the input watcher to the user-interface thread.
constexpr uint32_t kEnterPressed = 0x8002;

// The watcher thread may outlive the front; it reaches the live one, if any, through this.
std::mutex gFrontLock;
TConsoleFront* gFront = nullptr;

void PostToFront(uint32_t message) {
  std::lock_guard<std::mutex> lock(gFrontLock);
  if (gFront) TApplication::Instance().Post(gFront, message);
}

}  // namespace

TConsoleFront::TConsoleFront(TfrmUpdate& form) : FForm(form) {
  {
    std::lock_guard<std::mutex> lock(gFrontLock);
    gFront = this;
  }
  FForm.OnRetryEnabled = [this] { AwaitClose(); };
}

TConsoleFront::~TConsoleFront() {
  {
    std::lock_guard<std::mutex> lock(gFrontLock);
    gFront = nullptr;
  }
  TApplication::Instance().CancelMessages(this);
  FForm.OnRetryEnabled = nullptr;
}

void TConsoleFront::HandleMessage(uint32_t message, uintptr_t, intptr_t) {
  if (message != kEnterPressed) return;
  // Run from the loop, which no exception may leave.
  try {
    FForm.BitBtn1Click(&FForm);
  } catch (const std::exception& e) {
    ShowErrorMessage(e.what());
  }
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
  // On a terminal the prompt takes the place of the gauge's bar.
  std::fputs(StreamIsTerminal(TStdStream::Error) ? "\r\x1b[KPress Enter to close.\n"
                                                 : "Press Enter to close.\n",
             stderr);
  std::fflush(stderr);
  WatchInputLine([] { PostToFront(kEnterPressed); });
}

}  // namespace qvx
