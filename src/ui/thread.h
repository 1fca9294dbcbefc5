#pragma once
// A worker thread object in the manner of the windowing library: created suspended, started once
// by Resume, asked to stop through a flag it polls, joined by its owner, never freeing itself.
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace qvx {

class TThread {
 public:
  // The thread is always created suspended; Resume starts Execute on a new thread.
  TThread();
  // Joins the thread if it still runs. The owner must have waited for the end already when the
  // derived class holds state that Execute uses: by the time this runs, that state is gone.
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts the thread; later calls do nothing.
  void Resume();
  // Sets the flag that Execute polls; it stops nothing by itself.
  void Terminate() { FTerminated.store(true); }
  bool Terminated() const { return FTerminated.load(); }
  // True once Execute has returned (or thrown).
  bool Finished() const { return FFinished.load(); }
  bool Started() const { return FStarted.load(); }
  // Blocks until Execute has returned, serving nothing. A thread that was never started counts as
  // ended. Use TApplication::WaitFor on the user-interface thread instead: this thread's
  // synchronous calls would otherwise wait for ever.
  void WaitFor();

  // The exception that escaped Execute, if any; the thread itself swallows it.
  std::exception_ptr FatalException() const { return FFatalException; }

 protected:
  virtual void Execute() = 0;
  // Runs fn on the user-interface thread through the application; returns when fn has finished.
  // fn's exceptions reach this caller.
  void Synchronize(const std::function<void()>& fn);

 private:
  void Run();

  std::thread FThread;
  std::mutex FJoinLock;
  std::atomic<bool> FStarted{false};
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::exception_ptr FFatalException;
};

}  // namespace qvx
