#include "ui/thread.h"

#include "ui/application.h"

namespace qvx {

TThread::TThread() = default;

TThread::~TThread() { WaitFor(); }

void TThread::Resume() {
  std::lock_guard<std::mutex> lock(FJoinLock);
  if (FStarted.exchange(true)) return;
  FThread = std::thread([this] { Run(); });
}

void TThread::WaitFor() {
  std::lock_guard<std::mutex> lock(FJoinLock);
  if (FThread.joinable()) FThread.join();
}

void TThread::Synchronize(const std::function<void()>& fn) {
  TApplication::Instance().Synchronize(fn);
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    FFatalException = std::current_exception();
  }
  FFinished.store(true);
  TApplication::ThreadEnded();
}

}  // namespace qvx
