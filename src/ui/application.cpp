// The parts of the application loop that do not depend on the window system: the queue of
// synchronous calls, the posted messages, timers' bookkeeping and the wait for a thread.
#include <atomic>
#include <utility>

#include "ui/application_impl.h"
#include "ui/thread.h"

namespace qvx {

namespace {
// Set while the one application exists; a thread that ends reads it to wake a waiting owner.
std::atomic<TApplication::Impl*> gLiveImpl{nullptr};
}  // namespace

TApplication& TApplication::Instance() {
  static TApplication app;
  return app;
}

TApplication::TApplication() : FImpl(new Impl) {
  FImpl->UiThread = std::this_thread::get_id();
  FImpl->BackendOpen();
  gLiveImpl.store(FImpl);
}

TApplication::~TApplication() {
  gLiveImpl.store(nullptr);
  FImpl->BackendClose();
  delete FImpl;
}

bool TApplication::IsUiThread() const { return FImpl->OnUiThread(); }

void TApplication::Synchronize(const std::function<void()>& fn) {
  if (FImpl->OnUiThread()) {
    fn();
    return;
  }
  Impl::SyncCall call{&fn, nullptr, false};
  {
    std::unique_lock<std::mutex> lock(FImpl->Lock);
    FImpl->SyncCalls.push_back(&call);
    FImpl->Signal.notify_all();
  }
  FImpl->BackendWake();
  std::unique_lock<std::mutex> lock(FImpl->Lock);
  FImpl->Signal.wait(lock, [&] { return call.Done; });
  if (call.Error) std::rethrow_exception(call.Error);
}

void TApplication::Post(TMessageReceiver* receiver, uint32_t message, uintptr_t wparam,
                        intptr_t lparam) {
  {
    std::lock_guard<std::mutex> lock(FImpl->Lock);
    FImpl->PostedMessages.push_back({receiver, message, wparam, lparam});
    FImpl->Signal.notify_all();
  }
  FImpl->BackendWake();
}

void TApplication::CancelMessages(TMessageReceiver* receiver) {
  std::lock_guard<std::mutex> lock(FImpl->Lock);
  auto& q = FImpl->PostedMessages;
  for (auto it = q.begin(); it != q.end();) {
    it = it->Receiver == receiver ? q.erase(it) : it + 1;
  }
}

int TApplication::SetTimer(uint32_t intervalMs, std::function<void()> onTick) {
  int id = FImpl->NextTimerId++;
  FImpl->Timers[id] = {intervalMs, std::move(onTick), Impl::Clock::now() +
                                                          std::chrono::milliseconds(intervalMs)};
  FImpl->BackendStartTimer(id, intervalMs);
  return id;
}

void TApplication::KillTimer(int id) {
  if (FImpl->Timers.erase(id)) FImpl->BackendStopTimer(id);
}

void TApplication::ProcessMessages() { FImpl->BackendServe(false); }

void TApplication::Run() {
  while (!Terminated()) FImpl->BackendServe(true);
}

void TApplication::Terminate() {
  {
    std::lock_guard<std::mutex> lock(FImpl->Lock);
    FImpl->TerminateRequested = true;
    FImpl->Signal.notify_all();
  }
  FImpl->BackendWake();
}

bool TApplication::Terminated() const {
  std::lock_guard<std::mutex> lock(FImpl->Lock);
  return FImpl->TerminateRequested;
}

void TApplication::ResetTerminated() {
  std::lock_guard<std::mutex> lock(FImpl->Lock);
  FImpl->TerminateRequested = false;
}

void TApplication::WaitFor(TThread& thread) {
  if (!thread.Started()) return;
  if (!FImpl->OnUiThread()) {
    thread.WaitFor();
    return;
  }
  for (;;) {
    FImpl->ServeSyncCalls();
    std::unique_lock<std::mutex> lock(FImpl->Lock);
    FImpl->Signal.wait(lock, [&] { return !FImpl->SyncCalls.empty() || thread.Finished(); });
    if (FImpl->SyncCalls.empty()) break;
  }
  thread.WaitFor();
}

void TApplication::ThreadEnded() {
  Impl* impl = gLiveImpl.load();
  if (!impl) return;
  // Taking the lock orders this wake after the waiter's look at Finished, so it is never lost.
  std::lock_guard<std::mutex> lock(impl->Lock);
  impl->Signal.notify_all();
}

void TApplication::Impl::ServeSyncCalls() {
  for (;;) {
    SyncCall* call;
    {
      std::lock_guard<std::mutex> lock(Lock);
      if (SyncCalls.empty()) return;
      call = SyncCalls.front();
      SyncCalls.pop_front();
    }
    try {
      (*call->Fn)();
    } catch (...) {
      call->Error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(Lock);
    call->Done = true;
    Signal.notify_all();
  }
}

void TApplication::Impl::ServeQueues() {
  for (;;) {
    ServeSyncCalls();
    Posted message;
    {
      std::lock_guard<std::mutex> lock(Lock);
      if (PostedMessages.empty()) {
        if (SyncCalls.empty()) return;
        continue;
      }
      message = PostedMessages.front();
      PostedMessages.pop_front();
    }
    // The handler may post, cancel, wait for a thread or run a nested loop: nothing is held here.
    message.Receiver->HandleMessage(message.Message, message.WParam, message.LParam);
  }
}

void TApplication::Impl::FireTimer(int id) {
  auto it = Timers.find(id);
  if (it == Timers.end()) return;
  // A copy, so that a tick which kills its own timer does not destroy the running function.
  std::function<void()> onTick = it->second.OnTick;
  onTick();
}

bool TApplication::Impl::HasQueuedWork() {
  std::lock_guard<std::mutex> lock(Lock);
  return !SyncCalls.empty() || !PostedMessages.empty();
}

}  // namespace qvx
