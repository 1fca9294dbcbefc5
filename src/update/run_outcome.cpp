#include "update/run_outcome.h"

#include <atomic>

namespace qvx {

namespace {
// Written by the worker thread, read by the entry after the worker has ended.
std::atomic<int> gOutcome{0};
}  // namespace

void ResetRunOutcome() { gOutcome.store(0); }

void NoteRunOutcome(TRunOutcome outcome) {
  const int value = static_cast<int>(outcome);
  int seen = gOutcome.load();
  while (seen < value && !gOutcome.compare_exchange_weak(seen, value)) {
  }
}

TRunOutcome RunOutcome() { return static_cast<TRunOutcome>(gOutcome.load()); }
int RunExitCode() { return gOutcome.load(); }

}  // namespace qvx
