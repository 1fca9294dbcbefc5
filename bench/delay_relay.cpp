// A loopback relay that adds a delay to each direction of every connection (and one round trip
// to each new connection), standing in for a network this kernel cannot simulate (no netem).
//   qvx_delay_relay TARGET_PORT DELAY_MS [LIFETIME_S]
// Prints the port it listens on (127.0.0.1), then relays until it gets SIGTERM or LIFETIME_S
// (default 3600) have passed.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/tcp_relay.h"

namespace {
volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s TARGET_PORT DELAY_MS [LIFETIME_S]\n", argv[0]);
    return 2;
  }
  const int lifetime = argc > 3 ? std::atoi(argv[3]) : 3600;
  qvx::test::TcpRelay::Options options;
  options.DelayMs = std::atoi(argv[2]);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  qvx::test::TcpRelay relay("127.0.0.1", std::atoi(argv[1]), options, lifetime * 1000);
  std::printf("%d\n", relay.Port());
  std::fflush(stdout);
  for (int waited = 0; !gStop && waited < lifetime * 10; ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return 0;
}
