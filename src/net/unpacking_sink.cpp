#include "net/unpacking_sink.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "net/body_unpack.h"

namespace qvx {
namespace {

constexpr size_t kPackedHeaderSize = 12;
// Unpacked bytes are handed on in blocks of this size: large enough that writing them costs few
// calls, small enough to stay in the processor's cache between inflating and writing.
constexpr size_t kOutputBlock = 256 * 1024;
// zlib counts its buffers in unsigned int: deflate data beyond that are refused as they would be
// by a single call, and pieces are handed to the inflater in parts it can count.
constexpr size_t kMaxInflateBuffer = UINT_MAX;
constexpr size_t kInflatePiece = 1u << 30;

uint32_t ReadLe32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 |
         uint32_t(uint8_t(s[at + 2])) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}

}  // namespace

TUnpackingSink::TUnpackingSink(TBodySink& output) : FOutput(output) {}

TUnpackingSink::~TUnpackingSink() {
  if (FStream) inflateEnd(FStream.get());
}

void TUnpackingSink::Start() {
  FStarted = true;
  const int32_t declared = static_cast<int32_t>(ReadLe32(FHeader, 0));
  FExpectedSum = ReadLe32(FHeader, 8);
  // No storage at all for a size of 0 or less: the inflater refuses a missing output buffer.
  if (declared <= 0) {
    FError = Z_STREAM_ERROR;
    return;
  }
  FLimit = static_cast<size_t>(declared);
  auto stream = std::make_unique<z_stream_s>();
  const int rc = inflateInit2(stream.get(), -15);
  if (rc != Z_OK) {
    FError = rc;
    return;
  }
  FStream = std::move(stream);
  FBlock.reset(new char[std::min(kOutputBlock, FLimit)]);
}

bool TUnpackingSink::Write(const char* data, size_t n) {
  FPacked += n;
  if (FHeader.size() < kPackedHeaderSize) {
    const size_t take = std::min(n, kPackedHeaderSize - FHeader.size());
    FHeader.append(data, take);
    data += take;
    n -= take;
  }
  // Inflation starts with the first byte after the header: a body of 12 bytes or fewer is no
  // packed body at all, whatever its header says.
  if (n == 0) return true;
  if (!FStarted) Start();
  while (n > 0 && FError == 0 && !FEnded) {
    const size_t piece = std::min(n, kInflatePiece);
    if (!Inflate(data, piece)) return false;
    data += piece;
    n -= piece;
  }
  return true;
}

// The outcome must be the one of inflating the whole body in one call with all of the stated
// size as output space: the stream has to end within the data and within that size, and the
// first of "output full", "invalid data" and (at Finish) "data cut short" decides the error.
// Inflating piece by piece meets them at the same place, since the inflater decodes the same
// bits in the same order; only "output full" needs care: with the stated size produced, the
// inflater may still reach the stream's end, and fails only when it needs room for more output.
bool TUnpackingSink::Inflate(const char* data, size_t n) {
  z_stream_s& s = *FStream;
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  s.avail_in = static_cast<uInt>(n);
  for (;;) {
    const uInt before = s.avail_in;
    const size_t room = std::min(kOutputBlock, FLimit - FProduced);
    // zlib wants an output pointer even for no room at all.
    s.next_out = reinterpret_cast<Bytef*>(FBlock.get());
    s.avail_out = static_cast<uInt>(room);
    const int rc = inflate(&s, Z_NO_FLUSH);
    const size_t got = room - s.avail_out;
    if (got > 0) {
      FSum = PackedChecksum(FBlock.get(), got, FSum);
      FProduced += got;
      if (!FOutput.Write(FBlock.get(), got)) return false;
    }
    if (rc == Z_STREAM_END) {
      FEnded = true;
      return true;
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) {
      FError = rc;
      return true;
    }
    if (s.avail_in == 0) return true;  // everything taken: the next piece goes on from here
    // Input left that the inflater cannot take: it needs room beyond the stated size.
    if (got == 0 && s.avail_in == before) {
      FError = Z_BUF_ERROR;
      return true;
    }
  }
}

bool TUnpackingSink::Finish() {
  if (FPacked <= kPackedHeaderSize) return false;
  if (FPacked - kPackedHeaderSize > kMaxInflateBuffer) RaiseUnpackError(Z_BUF_ERROR);
  if (FError != 0) RaiseUnpackError(FError);
  if (!FEnded) RaiseUnpackError(Z_BUF_ERROR);
  return FProduced > 0 && FSum == FExpectedSum;
}

}  // namespace qvx
