#pragma once
// The socket handle and its error state, shared by the connection classes. One thread (the
// transfer thread) owns all of it; the only call allowed from another thread is Interrupt.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/socket.h"

namespace qvx {

class TSocketBase {
 public:
  TSocketBase();  // ESocketError when the socket library cannot be loaded
  virtual ~TSocketBase();
  TSocketBase(const TSocketBase&) = delete;
  TSocketBase& operator=(const TSocketBase&) = delete;

  // Code of the last failure (Windows Sockets numbers); 0 = none. Each operation sets it.
  int32_t SocketError() const { return FSocketError; }
  void SetSocketError(int32_t code) { FSocketError = code; }
  bool IsOpen() const { return FHandle != kNoSocket; }

  // Thread-safe. Ends any wait in progress on the transfer thread and makes every later wait
  // fail at once with sockerr::kInterrupted; the socket is shut down but stays for the transfer
  // thread to close. An interrupted object never becomes usable again.
  void Interrupt();
  bool Interrupted() const { return FInterrupted.load(std::memory_order_acquire); }

 protected:
  int32_t CreateSocket(int family);
  void CloseSocket();
  // Waits for readability (or writability) for at most ms milliseconds (ms < 0: no limit).
  // Returns 0 when ready, sockerr::kTimedOut, sockerr::kInterrupted or a platform error.
  int32_t WaitReady(bool forWrite, int32_t ms);

  SocketHandle FHandle = kNoSocket;
  int32_t FSocketError = 0;

 private:
  // Guards changes of FHandle against Interrupt, so that a shutdown never reaches a handle
  // number that was closed and handed out again.
  std::mutex FHandleLock;
  std::atomic<bool> FInterrupted{false};
};

}  // namespace qvx
