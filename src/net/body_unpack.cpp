#include "net/body_unpack.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <new>

namespace qvx {
namespace {

constexpr size_t kPackedHeaderSize = 12;
// zlib counts its buffers in unsigned int.
constexpr size_t kMaxInflateBuffer = UINT_MAX;
// First output storage of an unpacking when four times the packed data is less.
constexpr size_t kUnpackStart = 65536;

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
  const char* data = packed.data() + kPackedHeaderSize;
  if (declared <= 0) {
    // No storage at all for a size of 0 or less: the inflater's refusal is the answer.
    UnCompressMem(data, nullptr, dataLength, 0);
    return std::string();
  }
  const size_t limit = static_cast<size_t>(declared);
  if (dataLength > kMaxInflateBuffer) RaiseZlib(Z_BUF_ERROR);

  // The declared size is the sender's word only, so the output grows with what inflation
  // actually produces, up to that size. The outcome is the one-call rule's all the same: the
  // stream must end within the data and within the declared size, and the first of "data cut
  // short", "output full" and "invalid data" that inflation meets decides the error.
  std::string output;
  z_stream stream{};
  int rc = inflateInit2(&stream, -15);
  if (rc != Z_OK) RaiseZlib(rc);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  stream.avail_in = static_cast<uInt>(dataLength);
  try {
    for (;;) {
      const size_t produced = stream.total_out;
      const size_t size =
          std::min(limit, std::max({produced * 2, std::min(dataLength, limit) * 4, kUnpackStart}));
      output.resize(size);
      stream.next_out = reinterpret_cast<Bytef*>(&output[produced]);
      stream.avail_out = static_cast<uInt>(size - produced);
      rc = inflate(&stream, Z_FINISH);
      if (rc != Z_BUF_ERROR || stream.avail_out != 0 || stream.total_out >= limit) break;
    }
  } catch (const std::bad_alloc&) {
    inflateEnd(&stream);
    throw EOutOfMemory("Out of memory");
  }
  output.resize(stream.total_out);
  inflateEnd(&stream);
  if (rc != Z_OK && rc != Z_STREAM_END) RaiseZlib(rc);
  if (output.empty() || PackedChecksum(output.data(), output.size()) != checksum) return std::string();
  return output;
}

}  // namespace qvx
