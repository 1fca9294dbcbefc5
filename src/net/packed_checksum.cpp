// The checksum of packed bodies: both Adler-32 sums started from 0, as s2 * 65536 + s1.
// zlib's adler32 computes it (handed 0 as the start) one byte at a time; on x86 the sums are
// taken 16 bytes per step with SSE2, which keeps the check well below the cost of inflating.
//
// For a block x[0..L) starting from (s1, s2):  s1' = s1 + sum x[j],
//   s2' = s2 + L * s1 + sum (L - j) * x[j]
// and with L = 16K, j = 16c + i:  sum (L - j) x[j] = 16 * sum_c P(c) + sum_c sum_i (16 - i) x[16c + i],
// where P(c) is the sum of the chunks before chunk c.
#include <zlib.h>

#include <cstdint>

#include "net/body_unpack.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <emmintrin.h>
#define QVX_CHECKSUM_SSE2 1
#endif

namespace qvx {
namespace {

constexpr uint32_t kBase = 65521;
// The largest multiple of 16 that keeps every 32-bit lane sum of a block from overflowing.
constexpr size_t kBlock = 5536;

uint32_t ScalarChecksum(uint32_t sum, const uint8_t* p, size_t n) {
  while (n > 0) {
    uInt piece = n > (1u << 30) ? (1u << 30) : static_cast<uInt>(n);
    sum = static_cast<uint32_t>(adler32(sum, p, piece));
    p += piece;
    n -= piece;
  }
  return sum;
}

#ifdef QVX_CHECKSUM_SSE2
__attribute__((target("sse2"))) uint32_t Sse2Checksum(uint32_t sum, const uint8_t* p, size_t n) {
  uint64_t s1 = sum & 0xFFFF, s2 = sum >> 16;
  const __m128i zero = _mm_setzero_si128();
  const __m128i weightsLow = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
  const __m128i weightsHigh = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
  while (n >= 16) {
    const size_t length = n < kBlock ? n & ~static_cast<size_t>(15) : kBlock;
    __m128i sums = zero, prefix = zero, weighted = zero;
    for (size_t at = 0; at < length; at += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
      prefix = _mm_add_epi32(prefix, sums);
      sums = _mm_add_epi32(sums, _mm_sad_epu8(x, zero));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(x, zero), weightsLow));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(x, zero), weightsHigh));
    }
    alignas(16) uint32_t lanes[3][4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), sums);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), prefix);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), weighted);
    const uint64_t blockSum = uint64_t(lanes[0][0]) + lanes[0][2];
    const uint64_t prefixSum = uint64_t(lanes[1][0]) + lanes[1][2];
    const uint64_t weightedSum = uint64_t(lanes[2][0]) + lanes[2][1] + lanes[2][2] + lanes[2][3];
    s2 = (s2 + length * s1 + 16 * prefixSum + weightedSum) % kBase;
    s1 = (s1 + blockSum) % kBase;
    p += length;
    n -= length;
  }
  return ScalarChecksum(static_cast<uint32_t>(s2 << 16 | s1), p, n);
}
#endif

}  // namespace

uint32_t PackedChecksum(const void* data, size_t n, uint32_t sum) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
#ifdef QVX_CHECKSUM_SSE2
  if (__builtin_cpu_supports("sse2")) return Sse2Checksum(sum, p, n);
#endif
  return ScalarChecksum(sum, p, n);
}

}  // namespace qvx
