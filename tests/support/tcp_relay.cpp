#include "support/tcp_relay.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <stdexcept>

namespace qvx::test {
namespace {

using Clock = std::chrono::steady_clock;

// Sends all of n bytes unless the socket fails or stop is set.
bool SendAll(SocketHandle to, const char* data, size_t n, const std::atomic<bool>& stop) {
  size_t done = 0;
  while (done < n) {
    if (stop.load()) return false;
    size_t sent = 0;
    const int32_t rc = SocketSend(to, data + done, n - done, sent);
    if (rc == sockerr::kWouldBlock) {
      bool ready = false;
      SocketWait(to, true, 100, ready);
      continue;
    }
    if (rc != 0) return false;
    done += sent;
  }
  return true;
}

}  // namespace

struct TcpRelay::Link {
  SocketHandle Client = kNoSocket;
  SocketHandle Server = kNoSocket;
  std::atomic<bool> Dead{false};
  void Kill() {
    if (Dead.exchange(true)) return;
    SocketShutdown(Client, true);
    if (Server != kNoSocket) SocketShutdown(Server, true);
  }
};

TcpRelay::TcpRelay(const std::string& targetHost, int32_t targetPort, Options options, int lifetimeMs)
    : FTargetHost(targetHost), FTargetPort(targetPort), FOptions(options), FLifetimeMs(lifetimeMs) {
  EnsureSocketLibrary();
  if (SocketListen("127.0.0.1", "0", FListener) != 0 || SocketLocalPort(FListener, FPort) != 0)
    throw std::runtime_error("the relay cannot listen");
  FAcceptor = std::thread([this] { Accept(); });
}

TcpRelay::~TcpRelay() {
  FStop.store(true);
  if (FAcceptor.joinable()) FAcceptor.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(FLock);
    threads.swap(FThreads);
  }
  for (auto& t : threads) t.join();
  SocketClose(FListener);
}

void TcpRelay::Accept() {
  const auto end = Clock::now() + std::chrono::milliseconds(FLifetimeMs);
  while (!FStop.load() && Clock::now() < end) {
    bool ready = false;
    SocketWait(FListener, false, 50, ready);
    SocketHandle client = kNoSocket;
    if (!ready || SocketAccept(FListener, client) != 0) continue;
    const int number = FConnections.fetch_add(1);
    auto link = std::make_shared<Link>();
    link->Client = client;
    const bool cut = FOptions.CutAfter >= 0 && number < FOptions.CutConnections;
    std::lock_guard<std::mutex> lock(FLock);
    FThreads.emplace_back([this, link, cut] { Serve(link, cut); });
  }
  FStop.store(true);
}

void TcpRelay::Serve(std::shared_ptr<Link> link, bool cut) {
  // A new connection costs a round trip before the server sees it.
  if (FOptions.DelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2 * FOptions.DelayMs));
  SocketAddress address;
  bool connected = SocketResolve(FTargetHost, std::to_string(FTargetPort), address) == 0 &&
                   SocketCreate(address.family, link->Server) == 0;
  if (connected) {
    int32_t rc = SocketConnectStart(link->Server, address);
    if (rc == sockerr::kWouldBlock || rc == sockerr::kInProgress) {
      bool ready = false;
      SocketWait(link->Server, true, 5000, ready);
      rc = ready ? SocketConnectResult(link->Server) : sockerr::kTimedOut;
    }
    connected = rc == 0;
  }
  if (!connected) {
    link->Kill();
    SocketClose(link->Client);
    if (link->Server != kNoSocket) SocketClose(link->Server);
    return;
  }
  // One direction: bytes read from `from` reach `to` DelayMs later, in order; the reader and
  // the writer are threads of their own, so the delay holds for each piece, not summed up.
  auto pump = [this, link, cut](SocketHandle from, SocketHandle to, bool down) {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::pair<Clock::time_point, std::string>> queue;
    bool ended = false;
    int64_t passed = 0;
    std::thread writer([&] {
      for (;;) {
        std::pair<Clock::time_point, std::string> piece;
        {
          std::unique_lock<std::mutex> hold(lock);
          changed.wait(hold, [&] { return !queue.empty() || ended; });
          if (queue.empty()) break;
          piece = std::move(queue.front());
          queue.pop_front();
        }
        std::this_thread::sleep_until(piece.first);
        std::string& bytes = piece.second;
        bool drop = false;
        if (down && cut && passed + static_cast<int64_t>(bytes.size()) > FOptions.CutAfter) {
          bytes.resize(static_cast<size_t>(FOptions.CutAfter - passed));
          drop = true;
        }
        if (!SendAll(to, bytes.data(), bytes.size(), link->Dead) || drop) {
          if (down) FDown += bytes.size();
          link->Kill();
          break;
        }
        passed += static_cast<int64_t>(bytes.size());
        if (down) FDown += bytes.size();
      }
      // The other side learns of the end only once everything before it has arrived.
      if (!link->Dead.load()) SocketShutdown(to, false);
    });
    std::string buffer(65536, '\0');
    while (!link->Dead.load() && !FStop.load()) {
      bool ready = false;
      SocketWait(from, false, 100, ready);
      if (!ready) continue;
      size_t got = 0;
      const int32_t rc = SocketReceive(from, &buffer[0], buffer.size(), got);
      if (rc == sockerr::kWouldBlock) continue;
      if (rc != 0 || got == 0) break;
      std::lock_guard<std::mutex> hold(lock);
      queue.emplace_back(Clock::now() + std::chrono::milliseconds(FOptions.DelayMs), buffer.substr(0, got));
      changed.notify_one();
    }
    {
      std::lock_guard<std::mutex> hold(lock);
      ended = true;
      changed.notify_one();
    }
    writer.join();
    if (FStop.load()) link->Kill();
  };
  std::thread up([&] { pump(link->Client, link->Server, false); });
  pump(link->Server, link->Client, true);
  up.join();
  link->Kill();
  SocketClose(link->Client);
  SocketClose(link->Server);
}

}  // namespace qvx::test
