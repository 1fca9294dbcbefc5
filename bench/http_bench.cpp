// Fetches one URL with THttpClient into its in-memory document, the progress event on, and
// prints the time the exchange took, the body size and the process's peak resident memory:
//   seconds=<s> bytes=<n> events=<n> peak_kib=<KiB> cpu=<user + system seconds of the process>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "net/http_client.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s URL\n", argv[0]);
    return 2;
  }
  qvx::THttpClient http;
  http.Timeout = 60000;
  long events = 0;
  http.OnChunkRead = [&events](qvx::THttpClient&, int32_t, int32_t) { ++events; };
  const auto start = std::chrono::steady_clock::now();
  const bool ok = http.ExecuteMethod("GET", argv[1]);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  if (!ok || http.ResultCode != 200) {
    std::fprintf(stderr, "fetch failed: result %d, status %d, socket error %d\n", ok, http.ResultCode,
                 http.Sock.SocketError());
    return 1;
  }
  const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::printf("seconds=%.4f bytes=%zu events=%ld peak_kib=%ld cpu=%.4f\n", seconds, http.Document.Size(), events,
              usage.ru_maxrss, cpu);
  return 0;
}
