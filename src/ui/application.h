#pragma once
// The application object: the user-interface thread's loop. It serves window messages (on
// Windows), timers, messages posted to a receiver, and the synchronous calls that worker threads
// make. Everything it runs, it runs on the user-interface thread (the thread that created it).
#include <cstdint>
#include <functional>

namespace qvx {

class TThread;

// The worker announces the end of a run with this message; its parameters are ignored.
constexpr uint32_t WM_UPDATE_DONE = 1025;

// Something that handles posted messages on the user-interface thread (the update window).
class TMessageReceiver {
 public:
  virtual ~TMessageReceiver() = default;
  virtual void HandleMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
};

class TApplication {
 public:
  // The one application of the process; made on first use, on the user-interface thread.
  static TApplication& Instance();

  // Runs fn on the user-interface thread and returns when it has finished (at once when called
  // on that thread). fn's exceptions reach the caller.
  void Synchronize(const std::function<void()>& fn);
  // Queues a message for receiver; handled later by the loop. Safe from any thread. A receiver
  // must call CancelMessages before it is destroyed.
  // (Not named PostMessage, which <windows.h> defines as a macro.)
  void Post(TMessageReceiver* receiver, uint32_t message, uintptr_t wparam = 0,
            intptr_t lparam = 0);
  void CancelMessages(TMessageReceiver* receiver);

  // A repeating timer on the user-interface thread; returns its id (never 0).
  int SetTimer(uint32_t intervalMs, std::function<void()> onTick);
  void KillTimer(int id);

  // Serves whatever is waiting (window messages, synchronous calls, posted messages, due
  // timers) without blocking.
  void ProcessMessages();
  // Serves until Terminate is called.
  void Run();
  void Terminate();
  bool Terminated() const;
  // Clears a served Terminate so that Run can serve again (a program, or a test, that runs the
  // loop more than once).
  void ResetTerminated();
  // True on the thread that made the application.
  bool IsUiThread() const;

  // Waits for thread's end while still serving synchronous calls (and only those), so a worker
  // that reports while it is being stopped cannot dead-lock the wait.
  void WaitFor(TThread& thread);

  // The state behind the object, shared with the back ends (ui/application_impl.h).
  struct Impl;

 private:
  friend class TThread;
  TApplication();
  ~TApplication();
  // Called by a TThread that has just ended, on its own thread: wakes a WaitFor in progress.
  static void ThreadEnded();
  Impl* FImpl;
};

}  // namespace qvx
