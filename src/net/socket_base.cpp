#include "net/socket_base.h"

#include <algorithm>
#include <chrono>

namespace qvx {
namespace {

// Longest single sleep of a wait: an interrupt that the platform does not turn into an event
// on the socket is still seen within this time.
constexpr int32_t kInterruptCheckMs = 50;

}  // namespace

TSocketBase::TSocketBase() { EnsureSocketLibrary(); }

TSocketBase::~TSocketBase() { CloseSocket(); }

void TSocketBase::Interrupt() {
  std::lock_guard<std::mutex> lock(FHandleLock);
  FInterrupted.store(true, std::memory_order_release);
  if (FHandle != kNoSocket) SocketShutdown(FHandle, true);
}

int32_t TSocketBase::CreateSocket(int family) {
  SocketHandle handle = kNoSocket;
  int32_t rc = SocketCreate(family, handle);
  if (rc != 0) return rc;
  std::lock_guard<std::mutex> lock(FHandleLock);
  FHandle = handle;
  if (FInterrupted.load(std::memory_order_acquire)) SocketShutdown(FHandle, true);
  return 0;
}

void TSocketBase::CloseSocket() {
  std::lock_guard<std::mutex> lock(FHandleLock);
  if (FHandle == kNoSocket) return;
  SocketClose(FHandle);
  FHandle = kNoSocket;
}

int32_t TSocketBase::WaitReady(bool forWrite, int32_t ms) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  for (;;) {
    if (Interrupted()) return sockerr::kInterrupted;
    if (FHandle == kNoSocket) return sockerr::kNotConnected;
    int32_t slice = kInterruptCheckMs;
    if (ms >= 0) {
      auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
      if (spent >= ms) return sockerr::kTimedOut;
      slice = static_cast<int32_t>(std::min<int64_t>(slice, ms - spent));
    }
    bool ready = false;
    int32_t rc = SocketWait(FHandle, forWrite, slice, ready);
    if (rc != 0) return rc;
    if (ready) return Interrupted() ? sockerr::kInterrupted : 0;
  }
}

}  // namespace qvx
