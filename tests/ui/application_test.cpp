// The application loop and worker threads: synchronous calls, posted messages, timers and the
// wait for a thread that keeps serving its calls. The same tests run on the console back end
// natively and on the hidden-window back end under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ui/application.h"
#include "ui/thread.h"

namespace qvx {
namespace {

using namespace std::chrono_literals;

TApplication& App() { return TApplication::Instance(); }

class TLambdaThread : public TThread {
 public:
  explicit TLambdaThread(std::function<void(TLambdaThread&)> body) : FBody(std::move(body)) {}
  ~TLambdaThread() override { WaitFor(); }
  using TThread::Synchronize;

 protected:
  void Execute() override { FBody(*this); }

 private:
  std::function<void(TLambdaThread&)> FBody;
};

class TRecorder : public TMessageReceiver {
 public:
  ~TRecorder() override { App().CancelMessages(this); }
  void HandleMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    Seen.push_back(std::to_string(message) + ":" + std::to_string(wparam) + ":" +
                   std::to_string(lparam));
    if (OnMessage) OnMessage();
  }
  std::vector<std::string> Seen;
  std::function<void()> OnMessage;
};

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();  // made here, so this thread is the user-interface thread
    App().ResetTerminated();
    App().ProcessMessages();
  }
};

TEST_F(ApplicationTest, SynchronizeRunsOnTheUiThreadInOrderAndWaitForServesIt) {
  const auto uiThread = std::this_thread::get_id();
  std::vector<int> order;
  std::atomic<bool> allOnUi{true};
  TLambdaThread worker([&](TLambdaThread& self) {
    for (int i = 0; i < 50; ++i) {
      self.Synchronize([&, i] {
        if (std::this_thread::get_id() != uiThread) allOnUi = false;
        order.push_back(i);
      });
      // The call has finished when Synchronize returns: the value is already there.
      if (static_cast<int>(order.size()) != i + 1) allOnUi = false;
    }
  });
  EXPECT_FALSE(worker.Started());
  worker.Resume();
  App().WaitFor(worker);
  EXPECT_TRUE(worker.Finished());
  EXPECT_TRUE(allOnUi);
  ASSERT_EQ(order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
}

TEST_F(ApplicationTest, ExceptionsOfSynchronizedCallsAndOfExecuteStayOnTheirSide) {
  std::string caught;
  TLambdaThread worker([&](TLambdaThread& self) {
    try {
      self.Synchronize([] { throw std::runtime_error("from the ui side"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    throw std::logic_error("escaped Execute");
  });
  worker.Resume();
  App().WaitFor(worker);
  EXPECT_EQ(caught, "from the ui side");
  ASSERT_TRUE(worker.FatalException());
  EXPECT_THROW(std::rethrow_exception(worker.FatalException()), std::logic_error);
}

TEST_F(ApplicationTest, WaitForDeliversNoPostedMessagesButProcessMessagesDoesInOrder) {
  TRecorder receiver;
  TLambdaThread worker([&](TLambdaThread& self) {
    App().Post(&receiver, WM_UPDATE_DONE, 1, 2);
    self.Synchronize([] {});
    App().Post(&receiver, WM_UPDATE_DONE, 0, 0);
  });
  worker.Resume();
  App().WaitFor(worker);
  EXPECT_TRUE(receiver.Seen.empty());
  App().ProcessMessages();
  EXPECT_EQ(receiver.Seen, (std::vector<std::string>{"1025:1:2", "1025:0:0"}));
}

TEST_F(ApplicationTest, CancelledMessagesAreNeverDelivered) {
  TRecorder kept, dropped;
  App().Post(&dropped, 7);
  App().Post(&kept, 8);
  App().Post(&dropped, 9);
  App().CancelMessages(&dropped);
  App().ProcessMessages();
  EXPECT_TRUE(dropped.Seen.empty());
  EXPECT_EQ(kept.Seen, (std::vector<std::string>{"8:0:0"}));
}

TEST_F(ApplicationTest, WaitForAThreadNeverStartedReturnsAtOnce) {
  TLambdaThread worker([](TLambdaThread&) {});
  App().WaitFor(worker);
  EXPECT_FALSE(worker.Finished());
}

TEST_F(ApplicationTest, SynchronizeOnTheUiThreadRunsAtOnce) {
  bool ran = false;
  App().Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST_F(ApplicationTest, TimersRepeatUntilKilledAndRunEndsOnTerminate) {
  int ticks = 0;
  int other = 0;
  int id = 0;
  id = App().SetTimer(10, [&] {
    if (++ticks == 3) {
      App().KillTimer(id);
      App().Terminate();
    }
  });
  int otherId = App().SetTimer(1000000, [&] { ++other; });
  EXPECT_NE(id, 0);
  EXPECT_NE(id, otherId);
  auto start = std::chrono::steady_clock::now();
  App().Run();
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(other, 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 25ms);
  App().KillTimer(otherId);
  // The killed timer stays silent.
  App().ResetTerminated();
  int stopper = App().SetTimer(60, [&] { App().Terminate(); });
  App().Run();
  App().KillTimer(stopper);
  EXPECT_EQ(ticks, 3);
}

TEST_F(ApplicationTest, TerminateFromAnotherThreadWakesTheLoop) {
  TRecorder receiver;
  TLambdaThread worker([&](TLambdaThread& self) {
    self.Synchronize([] {});
    App().Post(&receiver, 42);
    std::this_thread::sleep_for(20ms);
    App().Terminate();
  });
  worker.Resume();
  App().Run();
  EXPECT_TRUE(App().Terminated());
  EXPECT_EQ(receiver.Seen, (std::vector<std::string>{"42:0:0"}));
  App().WaitFor(worker);
}

TEST_F(ApplicationTest, AHandlerMayWaitForAThreadThatStillReports) {
  // The shape of closing the window while its worker runs: a posted message's handler stops a
  // worker that keeps making synchronous calls after the terminate request.
  std::atomic<int> calls{0};
  TLambdaThread worker([&](TLambdaThread& self) {
    while (!self.Terminated()) self.Synchronize([&] { ++calls; });
    self.Synchronize([&] { ++calls; });  // a last report after the request
  });
  TRecorder closer;
  closer.OnMessage = [&] {
    worker.Terminate();
    App().WaitFor(worker);
    App().Terminate();
  };
  worker.Resume();
  App().Post(&closer, WM_UPDATE_DONE);
  App().Run();
  EXPECT_TRUE(worker.Finished());
  EXPECT_GE(calls.load(), 1);
}

}  // namespace
}  // namespace qvx
