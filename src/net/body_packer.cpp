#include "net/body_packer.h"

#include <zlib.h>

#include <cstdint>
#include <limits>

#include "base/errors.h"
#include "net/body_unpack.h"

namespace qvx {

namespace {

void PutLittleEndian32(std::string& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string RawDeflate(const std::string& data, int level) {
  z_stream stream{};
  // Negative window bits: the reader inflates with window bits -15 and parses no zlib or gzip
  // wrapper.
  if (deflateInit2(&stream, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    throw Exception("Cannot start the deflater");
  const uLong bound = deflateBound(&stream, static_cast<uLong>(data.size()));
  std::string out(bound, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(bound);
  const int rc = deflate(&stream, Z_FINISH);
  const uLong produced = stream.total_out;
  deflateEnd(&stream);
  if (rc != Z_STREAM_END) throw Exception("Error " + std::to_string(rc) + " during deflate");
  out.resize(produced);
  return out;
}

std::string CompressBody(const std::string& body) {
  if (body.empty()) throw Exception("An empty body cannot be packed");
  if (body.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw Exception("A body of 2 GiB or more cannot be packed");

  std::string packed(12, '\0');
  packed += RawDeflate(body, Z_BEST_COMPRESSION);

  PutLittleEndian32(packed, 0, static_cast<uint32_t>(body.size()));
  PutLittleEndian32(packed, 4, 0);
  PutLittleEndian32(packed, 8, PackedChecksum(body.data(), body.size()));
  return packed;
}

}  // namespace qvx
