#pragma once
// A packed body (see body_unpack.h) unpacked while it arrives: a body sink that inflates what it
// is given and hands the unpacked bytes to another sink, holding only a window and one output
// block. The outcome is UnCompressBody's for the same body, told by Finish once the body is
// complete; bad data found earlier is not told before then, so that a transfer that fails
// afterwards is reported as the failed transfer it is.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/body_sink.h"

struct z_stream_s;

namespace qvx {

class TUnpackingSink : public TBodySink {
 public:
  // output receives the unpacked bytes in order and must outlive this sink.
  explicit TUnpackingSink(TBodySink& output);
  ~TUnpackingSink() override;
  TUnpackingSink(const TUnpackingSink&) = delete;
  TUnpackingSink& operator=(const TUnpackingSink&) = delete;

  // Packed bytes, the next of the body. False only when the output refused bytes.
  bool Write(const char* data, size_t n) override;
  // After the last byte of the body: true when it unpacked to bytes that match their checksum;
  // false where UnCompressBody returns nothing (12 bytes or fewer, unpacks to nothing, checksum
  // mismatch); raises EUnpackError or EOutOfMemory where UnCompressBody raises them. The output
  // may have been given bytes in every case.
  bool Finish();
  // Unpacked bytes handed to the output so far.
  size_t Unpacked() const { return FProduced; }

 private:
  void Start();
  bool Inflate(const char* data, size_t n);

  TBodySink& FOutput;
  std::string FHeader;   // the first bytes of the body, up to the whole 12-byte header
  size_t FPacked = 0;    // bytes of the body seen
  size_t FLimit = 0;     // the unpacked size the header states
  uint32_t FExpectedSum = 0;
  uint32_t FSum = 0;     // checksum of the bytes unpacked so far
  size_t FProduced = 0;
  bool FStarted = false;
  bool FEnded = false;   // the deflate stream is complete; what follows it is ignored
  int FError = 0;        // zlib's code of the first failure; nothing more is inflated
  std::unique_ptr<z_stream_s> FStream;  // open from the first deflate byte on, until the end
  std::unique_ptr<char[]> FBlock;
};

}  // namespace qvx
