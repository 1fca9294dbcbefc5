// Console back end of the application loop: no window system, so the loop sleeps on the queues'
// condition variable until work arrives or the next timer falls due (steady clock).
#include "ui/application_impl.h"

namespace qvx {

void TApplication::Impl::BackendOpen() {}
void TApplication::Impl::BackendClose() {}
// Every queue change already notifies Signal, which is what the console loop waits on.
void TApplication::Impl::BackendWake() {}
void TApplication::Impl::BackendStartTimer(int, uint32_t) {}
void TApplication::Impl::BackendStopTimer(int) {}

void TApplication::Impl::BackendServe(bool block) {
  if (block) {
    Clock::time_point until = Clock::time_point::max();
    for (auto& entry : Timers) until = std::min(until, entry.second.Due);
    std::unique_lock<std::mutex> lock(Lock);
    auto ready = [&] { return !SyncCalls.empty() || !PostedMessages.empty() || TerminateRequested; };
    if (until == Clock::time_point::max()) {
      Signal.wait(lock, ready);
    } else {
      Signal.wait_until(lock, until, ready);
    }
  }
  ServeQueues();
  // Collect first: a tick may add or kill timers.
  Clock::time_point now = Clock::now();
  std::vector<int> due;
  for (auto& entry : Timers) {
    if (entry.second.Due <= now) due.push_back(entry.first);
  }
  for (int id : due) {
    auto it = Timers.find(id);
    if (it == Timers.end()) continue;
    it->second.Due = now + std::chrono::milliseconds(it->second.IntervalMs);
    FireTimer(id);
  }
}

}  // namespace qvx
