// The stream unpacker (TUnpackingSink, as a download uses it: the packed body in the client's
// 64 KiB blocks, checksum and size checked, unpacked blocks handed on) on a packed body of about
// 64 MiB against a plain zlib raw inflate of the same deflate data as a stream (the same input
// blocks, one 256 KiB output buffer, no checks), runs interleaved. Prints the median times and
//   ratio vs zlib: X.XX   (zlib's median time divided by ours; above 1 means faster)
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "net/body_packer.h"
#include "net/body_unpack.h"
#include "net/unpacking_sink.h"

namespace {

// Text-like content that deflates to about 40% of its size, like the program files it stands for.
std::string MakeContent(size_t n) {
  static const char* words[] = {"update", "remote", "signal", "table", "value", "0x3F", "leader",
                                "frame", "repeat", "code", "data", "temp", "wind", "user"};
  std::string s;
  s.reserve(n + 64);
  uint32_t x = 12345;
  while (s.size() < n) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    s += words[x % 14];
    s += ' ';
    s += std::to_string(x % 100000);
    s += (x & 0x300) ? ' ' : '\n';
    for (int i = 0; i < 3; ++i) s += static_cast<char>('!' + ((x >> (i * 7)) % 90));
  }
  s.resize(n);
  return s;
}


double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  const size_t target = 64u << 20;
  const std::string sample = MakeContent(4u << 20);
  const double ratio = static_cast<double>(qvx::RawDeflate(sample, 6).size()) / sample.size();
  const std::string content = MakeContent(static_cast<size_t>(target / ratio));
  const std::string deflated = qvx::RawDeflate(content, 6);
  std::string packed(12, '\0');
  const uint32_t size = static_cast<uint32_t>(content.size());
  const uint32_t sum = qvx::PackedChecksum(content.data(), content.size());
  for (int i = 0; i < 4; ++i) {
    packed[i] = static_cast<char>(size >> (8 * i));
    packed[8 + i] = static_cast<char>(sum >> (8 * i));
  }
  packed += deflated;
  std::printf("packed body %.1f MiB, unpacked %.1f MiB\n", packed.size() / 1048576.0, content.size() / 1048576.0);

  constexpr size_t kInBlock = 65536, kOutBlock = 256 * 1024;
  struct TDiscard : qvx::TBodySink {
    size_t Bytes = 0;
    uint32_t Sample = 0;
    bool Write(const char* data, size_t n) override {
      Bytes += n;
      Sample += static_cast<unsigned char>(data[n - 1]);
      return true;
    }
  };
  std::vector<double> ours, plain;
  for (int run = 0; run < 5; ++run) {
    auto t0 = std::chrono::steady_clock::now();
    TDiscard out;
    {
      qvx::TUnpackingSink sink(out);
      for (size_t at = 0; at < packed.size(); at += kInBlock)
        sink.Write(packed.data() + at, std::min(kInBlock, packed.size() - at));
      if (!sink.Finish()) {
        std::fprintf(stderr, "the stream unpacker refused the body\n");
        return 1;
      }
    }
    auto t1 = std::chrono::steady_clock::now();
    if (out.Bytes != content.size()) {
      std::fprintf(stderr, "the stream unpacker gave %zu bytes\n", out.Bytes);
      return 1;
    }
    ours.push_back(std::chrono::duration<double>(t1 - t0).count());

    t0 = std::chrono::steady_clock::now();
    std::unique_ptr<char[]> buffer(new char[kOutBlock]);
    z_stream s{};
    inflateInit2(&s, -15);
    size_t produced = 0;
    int rc = Z_OK;
    for (size_t at = 0; at < deflated.size() && rc != Z_STREAM_END; at += kInBlock) {
      s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data() + at));
      s.avail_in = static_cast<uInt>(std::min(kInBlock, deflated.size() - at));
      do {
        s.next_out = reinterpret_cast<Bytef*>(buffer.get());
        s.avail_out = kOutBlock;
        rc = inflate(&s, Z_NO_FLUSH);
        produced += kOutBlock - s.avail_out;
      } while (rc == Z_OK && s.avail_in > 0);
    }
    inflateEnd(&s);
    t1 = std::chrono::steady_clock::now();
    if (rc != Z_STREAM_END || produced != content.size()) {
      std::fprintf(stderr, "plain inflate failed\n");
      return 1;
    }
    plain.push_back(std::chrono::duration<double>(t1 - t0).count());
  }
  const double a = Median(ours), b = Median(plain);
  std::printf("stream unpacker median: %.4f s (%.0f MB/s unpacked)\n", a, content.size() / a / 1e6);
  std::printf("zlib raw inflate (stream) median: %.4f s (%.0f MB/s unpacked)\n", b, content.size() / b / 1e6);
  std::printf("ratio vs zlib: %.2f\n", b / a);
  return 0;
}
