#include "net/body_unpack.h"

#include <zlib.h>

#include <climits>
#include <cstdio>
#include <new>

#include "net/unpacking_sink.h"

namespace qvx {
namespace {

// zlib counts its buffers in unsigned int.
constexpr size_t kMaxInflateBuffer = UINT_MAX;

}  // namespace

void RaiseUnpackError(int code) {
  if (code == Z_MEM_ERROR) throw EOutOfMemory("Out of memory");
  char message[64];
  std::snprintf(message, sizeof message, "Error %d during %s process", code, "UnCompressMem");
  throw EUnpackError(message);
}

size_t UnCompressMem(const void* source, void* destination, size_t sourceLength,
                     size_t destinationCapacity) {
  if (sourceLength > kMaxInflateBuffer || destinationCapacity > kMaxInflateBuffer)
    RaiseUnpackError(Z_BUF_ERROR);
  z_stream stream{};
  int rc = inflateInit2(&stream, -15);
  if (rc != Z_OK) RaiseUnpackError(rc);
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(source));
  stream.avail_in = static_cast<uInt>(sourceLength);
  // zlib refuses a missing output buffer with Z_STREAM_ERROR; that is the answer wanted for an
  // unpacked size of 0 or less.
  stream.next_out = destinationCapacity > 0 ? static_cast<Bytef*>(destination) : Z_NULL;
  stream.avail_out = static_cast<uInt>(destinationCapacity);
  rc = inflate(&stream, Z_FINISH);
  const size_t written = stream.total_out;
  inflateEnd(&stream);
  if (rc != Z_OK && rc != Z_STREAM_END) RaiseUnpackError(rc);
  return written;
}

std::string UnCompressBody(const std::string& packed) {
  // The stream unpacker's outcome is this function's by definition; here its output is memory.
  struct TStringSink : TBodySink {
    std::string Bytes;
    bool Write(const char* data, size_t n) override {
      Bytes.append(data, n);
      return true;
    }
  } output;
  TUnpackingSink unpacker(output);
  try {
    unpacker.Write(packed.data(), packed.size());
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
  return unpacker.Finish() ? std::move(output.Bytes) : std::string();
}

}  // namespace qvx
