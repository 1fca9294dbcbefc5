// The Win32 loop's own trap: work handed over by a worker must reach the user-interface thread
// even while a loop other than ours (a message box's, a menu's) pumps the messages.
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/application.h"
#include "ui/thread.h"

namespace qvx {
namespace {

class TReporter : public TThread {
 public:
  ~TReporter() override { WaitFor(); }
  bool Served = false;

 protected:
  void Execute() override { Synchronize([this] { Served = true; }); }
};

TEST(ApplicationWinTest, AForeignMessageLoopServesSynchronousCalls) {
  TApplication::Instance();
  TReporter worker;
  worker.Resume();
  // A bare loop as a modal dialog runs it: no knowledge of our queues. A thread timer ends it
  // should the call never arrive.
  UINT_PTR guard = SetTimer(nullptr, 0, 5000, nullptr);
  MSG msg;
  while (!worker.Served && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
    DispatchMessageA(&msg);
  }
  KillTimer(nullptr, guard);
  EXPECT_TRUE(worker.Served);
  TApplication::Instance().WaitFor(worker);
}

}  // namespace
}  // namespace qvx
