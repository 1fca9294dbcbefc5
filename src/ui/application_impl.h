#pragma once
// The application's state shared by its common part (application.cpp) and its back ends
// (application_win.cpp, application_console.cpp). Not for use outside src/ui/application*.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "ui/application.h"

namespace qvx {

struct TApplication::Impl {
  using Clock = std::chrono::steady_clock;

  struct SyncCall {
    const std::function<void()>* Fn;
    std::exception_ptr Error;
    bool Done = false;
  };
  struct Posted {
    TMessageReceiver* Receiver;
    uint32_t Message;
    uintptr_t WParam;
    intptr_t LParam;
  };
  struct Timer {
    uint32_t IntervalMs;
    std::function<void()> OnTick;
    Clock::time_point Due;  // used by the console back end only
  };

  std::thread::id UiThread;

  // Guards the two queues; Signal is raised whenever a queue grows, a synchronous call is done,
  // a thread ends or the loop is asked to end.
  std::mutex Lock;
  std::condition_variable Signal;
  std::deque<SyncCall*> SyncCalls;
  std::deque<Posted> PostedMessages;

  // Touched on the user-interface thread only.
  std::map<int, Timer> Timers;
  int NextTimerId = 1;

  bool TerminateRequested = false;  // under Lock

  // Back end state (the hidden window on Windows).
  void* Backend = nullptr;

  bool OnUiThread() const { return std::this_thread::get_id() == UiThread; }

  // Common serving, on the user-interface thread.
  void ServeSyncCalls();
  // Delivers posted messages (serving synchronous calls between them) until both queues are empty.
  void ServeQueues();
  void FireTimer(int id);
  bool HasQueuedWork();  // takes Lock

  // Back end primitives.
  void BackendOpen();
  void BackendClose();
  void BackendWake();  // any thread: the loop must look at the queues soon
  void BackendStartTimer(int id, uint32_t intervalMs);
  void BackendStopTimer(int id);
  // Serves window messages, queues and due timers; blocks until something was served when block.
  void BackendServe(bool block);
};

}  // namespace qvx
