#pragma once
// A loopback TCP relay in front of a server, for what a real network does to a connection:
// a delay on each direction (each piece of data, and a new connection by one round trip), and a
// connection dropped after so many bytes towards the client. It listens on 127.0.0.1 on a free
// port, passes the bytes through untouched (TLS too), and stops by itself when its lifetime is
// over or it is destroyed. Threads of the test process, so it works natively and under Wine.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace qvx::test {

class TcpRelay {
 public:
  struct Options {
    int DelayMs = 0;  // added to every piece of data in each direction
    // Bytes towards the client after which a connection is dropped; negative: never. Only the
    // first CutConnections connections are dropped, later ones pass everything.
    int64_t CutAfter = -1;
    int CutConnections = 1;
  };
  TcpRelay(const std::string& targetHost, int32_t targetPort, Options options, int lifetimeMs = 120000);
  ~TcpRelay();
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  int32_t Port() const { return FPort; }
  // Bytes passed towards clients so far, over every connection.
  uint64_t BytesToClients() const { return FDown.load(); }
  int Connections() const { return FConnections.load(); }

 private:
  struct Link;
  void Accept();
  void Serve(std::shared_ptr<Link> link, bool cut);

  std::string FTargetHost;
  int32_t FTargetPort;
  Options FOptions;
  int FLifetimeMs;
  SocketHandle FListener = kNoSocket;
  int32_t FPort = 0;
  std::atomic<bool> FStop{false};
  std::atomic<uint64_t> FDown{0};
  std::atomic<int> FConnections{0};
  std::mutex FLock;
  std::vector<std::thread> FThreads;
  std::thread FAcceptor;
};

}  // namespace qvx::test
