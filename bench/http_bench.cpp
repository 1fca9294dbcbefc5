// Fetches one URL with THttpClient and prints the time the exchange took, the body size and the
// process's peak resident memory:
//   seconds=<s> bytes=<n> events=<n> peak_kib=<KiB> cpu=<user + system seconds of the process>
// Modes:
//   qvx_http_bench URL                  into the client's in-memory document
//   qvx_http_bench URL --file TARGET    as the update run saves a file: streamed into a
//                                       temporary file beside TARGET, unpacked on the way when
//                                       the answer is packed, flushed to the disk, put in place
//   qvx_http_bench URL --null           the body handed to a sink that keeps nothing: the cost
//                                       of receiving alone
//   qvx_http_bench --pack SOURCE DEST   writes SOURCE in the packed layout, as a stream
// Built natively and for Windows (to see under Wine where the time of a download goes).
#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "net/body_unpack.h"
#include "net/http_client.h"
#include "update/file_download.h"

namespace {

int Pack(const char* sourcePath, const char* destPath) {
  std::FILE* in = std::fopen(sourcePath, "rb");
  if (!in) return 1;
  std::vector<char> buffer(1 << 20), out(1 << 20);
  uint64_t size = 0;
  uint32_t sum = 0;
  for (size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;) {
    sum = qvx::PackedChecksum(buffer.data(), got, sum);
    size += got;
  }
  if (size == 0 || size > 0x7FFFFFFF) return 1;
  std::rewind(in);
  std::FILE* dest = std::fopen(destPath, "wb");
  if (!dest) return 1;
  unsigned char head[12] = {};
  for (int i = 0; i < 4; ++i) {
    head[i] = static_cast<unsigned char>(size >> (8 * i));
    head[8 + i] = static_cast<unsigned char>(sum >> (8 * i));
  }
  std::fwrite(head, 1, sizeof head, dest);
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  int flush = Z_NO_FLUSH;
  do {
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    flush = got < buffer.size() ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = reinterpret_cast<Bytef*>(buffer.data());
    z.avail_in = static_cast<uInt>(got);
    do {
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, flush);
      std::fwrite(out.data(), 1, out.size() - z.avail_out, dest);
    } while (z.avail_out == 0);
  } while (flush != Z_FINISH);
  deflateEnd(&z);
  std::fclose(in);
  return std::fclose(dest) == 0 ? 0 : 1;
}

struct TNullSink : qvx::TBodySink {
  bool Write(const char*, size_t) override { return true; }
};

// Peak resident memory in KiB and the processor time of the process in seconds.
void ProcessFigures(long& peakKib, double& cpu) {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  peakKib = static_cast<long>(counters.PeakWorkingSetSize / 1024);
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  cpu = seconds(kernel) + seconds(user);
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  peakKib = usage.ru_maxrss;
  cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--pack") == 0) return Pack(argv[2], argv[3]);
  const bool toFile = argc == 4 && std::strcmp(argv[2], "--file") == 0;
  const bool toNull = argc == 3 && std::strcmp(argv[2], "--null") == 0;
  if (argc != 2 && !toFile && !toNull) {
    std::fprintf(stderr, "usage: %s URL [--file TARGET | --null] | --pack SOURCE DEST\n", argv[0]);
    return 2;
  }
  qvx::THttpClient http;
  http.Timeout = 60000;
  // The socket's receive buffer, for comparison: 0 leaves it to the platform. (The file road
  // raises it to its own size for the download.)
  if (const char* size = std::getenv("QVX_BENCH_RECEIVE_BUFFER")) http.Sock.ReceiveBufferSize = std::atoi(size);
  long events = 0;
  http.OnChunkRead = [&events](qvx::THttpClient&, int32_t, int32_t) { ++events; };
  const auto start = std::chrono::steady_clock::now();
  bool ok = false;
  size_t bytes = 0;
  if (toFile) {
    http.Headers.Add("Accept-Encoding: gzip");
    try {
      ok = qvx::DownloadToFile(http, argv[1], argv[3], "") == qvx::TFileDownloadResult::Saved;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
    }
    bytes = http.BodySize();
  } else if (toNull) {
    TNullSink sink;
    ok = http.ExecuteMethod("GET", argv[1], &sink) && http.ResultCode == 200;
    bytes = http.BodySize();
  } else {
    ok = http.ExecuteMethod("GET", argv[1]) && http.ResultCode == 200;
    bytes = http.Document.Size();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  long peakKib = 0;
  double cpu = 0;
  ProcessFigures(peakKib, cpu);
  if (!ok) {
    std::fprintf(stderr, "fetch failed: status %d, socket error %d\n", http.ResultCode, http.Sock.SocketError());
    return 1;
  }
  std::printf("seconds=%.4f bytes=%zu events=%ld peak_kib=%ld cpu=%.4f\n", seconds, bytes, events,
              peakKib, cpu);
  return 0;
}
