#include "net/body_unpack.h"

#include <zlib.h>

#include <climits>
#include <cstdio>
#include <new>

namespace qvx {
namespace {

constexpr size_t kPackedHeaderSize = 12;
// No deflate stream yields more than 1032 bytes per input byte (a 258-byte match coded in two
// bits), so an unpacked size above that is never reached: the output is sized to what the data
// can give rather than to what an untrusted header claims.
constexpr size_t kMaxInflateRatio = 1032;
// zlib counts its buffers in unsigned int.
constexpr size_t kMaxInflateBuffer = UINT_MAX;

[[noreturn]] void RaiseZlib(int code) {
  if (code == Z_MEM_ERROR) throw EOutOfMemory("Out of memory");
  char message[64];
  std::snprintf(message, sizeof message, "Error %d during %s process", code, "UnCompressMem");
  throw EUnpackError(message);
}

uint32_t ReadLe32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 |
         uint32_t(uint8_t(s[at + 2])) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}

}  // namespace

size_t UnCompressMem(const void* source, void* destination, size_t sourceLength,
                     size_t destinationCapacity) {
  if (sourceLength > kMaxInflateBuffer || destinationCapacity > kMaxInflateBuffer)
    RaiseZlib(Z_BUF_ERROR);
  z_stream stream{};
  int rc = inflateInit2(&stream, -15);
  if (rc != Z_OK) RaiseZlib(rc);
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(source));
  stream.avail_in = static_cast<uInt>(sourceLength);
  // zlib refuses a missing output buffer with Z_STREAM_ERROR; that is the answer wanted for an
  // unpacked size of 0 or less.
  stream.next_out = destinationCapacity > 0 ? static_cast<Bytef*>(destination) : Z_NULL;
  stream.avail_out = static_cast<uInt>(destinationCapacity);
  rc = inflate(&stream, Z_FINISH);
  const size_t written = stream.total_out;
  inflateEnd(&stream);
  if (rc != Z_OK && rc != Z_STREAM_END) RaiseZlib(rc);
  return written;
}

std::string UnCompressBody(const std::string& packed) {
  if (packed.size() <= kPackedHeaderSize) return std::string();
  const int32_t declared = static_cast<int32_t>(ReadLe32(packed, 0));
  const uint32_t checksum = ReadLe32(packed, 8);
  const size_t dataLength = packed.size() - kPackedHeaderSize;
  size_t capacity = declared > 0 ? static_cast<size_t>(declared) : 0;
  if (dataLength < SIZE_MAX / kMaxInflateRatio && capacity > dataLength * kMaxInflateRatio)
    capacity = dataLength * kMaxInflateRatio;
  std::string output;
  try {
    output.resize(capacity);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
  const size_t produced =
      UnCompressMem(packed.data() + kPackedHeaderSize, capacity ? &output[0] : nullptr, dataLength, capacity);
  output.resize(produced);
  if (output.empty() || PackedChecksum(output.data(), output.size()) != checksum) return std::string();
  return output;
}

}  // namespace qvx
