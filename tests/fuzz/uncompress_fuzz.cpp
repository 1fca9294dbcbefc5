// UnCompressBody on arbitrary packed bodies, against the rule it must keep: inflate the data in
// one call into exactly the declared number of bytes, then let the checksum decide. Bodies that
// declare more than this target can afford to check that way (up to 2 GiB) must still end
// without storage of the declared size. A second mode packs the fuzz bytes properly and expects
// them back.
//
// Input: one mode byte; mode bit 0 set: the rest is data to pack; clear: the rest is the body.
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "base/errors.h"
#include "fuzz_support.h"
#include "net/body_unpack.h"

namespace {

constexpr int32_t kReferenceLimit = 1 << 20;

uint32_t Le32(const std::string& s, size_t at) {
  return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 |
         uint32_t(uint8_t(s[at + 2])) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}

std::string PutLe32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

// What the one-call rule gives: the bytes, or the zlib code of the failure.
struct TOutcome {
  bool Failed = false;
  int Code = 0;
  std::string Bytes;
};

TOutcome Reference(const std::string& packed) {
  TOutcome out;
  if (packed.size() <= 12) return out;
  const int32_t declared = static_cast<int32_t>(Le32(packed, 0));
  std::string buffer(declared > 0 ? static_cast<size_t>(declared) : 0, '\0');
  z_stream s{};
  FUZZ_CHECK(inflateInit2(&s, -15) == Z_OK);
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + 12));
  s.avail_in = static_cast<uInt>(packed.size() - 12);
  s.next_out = buffer.empty() ? Z_NULL : reinterpret_cast<Bytef*>(&buffer[0]);
  s.avail_out = static_cast<uInt>(buffer.size());
  const int rc = inflate(&s, Z_FINISH);
  buffer.resize(s.total_out);
  inflateEnd(&s);
  if (rc != Z_OK && rc != Z_STREAM_END) {
    out.Failed = true;
    out.Code = rc;
    return out;
  }
  if (!buffer.empty() && qvx::PackedChecksum(buffer.data(), buffer.size()) == Le32(packed, 8))
    out.Bytes = buffer;
  return out;
}

std::string Pack(const std::string& data, int level) {
  z_stream s{};
  FUZZ_CHECK(deflateInit2(&s, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK);
  std::string deflated(deflateBound(&s, data.size()), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(&deflated[0]);
  s.avail_out = static_cast<uInt>(deflated.size());
  FUZZ_CHECK(deflate(&s, Z_FINISH) == Z_STREAM_END);
  deflated.resize(s.total_out);
  deflateEnd(&s);
  return PutLe32(static_cast<uint32_t>(data.size())) + "ABCD" +
         PutLe32(qvx::PackedChecksum(data.data(), data.size())) + deflated;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1) {
    const std::string packed = Pack(rest, data[0] >> 1 & 7);
    try {
      FUZZ_CHECK(qvx::UnCompressBody(packed) == rest && !rest.empty());
    } catch (const qvx::EUnpackError& e) {
      // An unpacked size of 0 gives the inflater no storage at all.
      FUZZ_CHECK(rest.empty() && e.Message() == "Error -2 during UnCompressMem process");
    }
    return 0;
  }

  TOutcome got;
  try {
    got.Bytes = qvx::UnCompressBody(rest);
  } catch (const qvx::EUnpackError& e) {
    got.Failed = true;
    const std::string message = e.Message();
    FUZZ_CHECK(message.rfind("Error ", 0) == 0);
    FUZZ_CHECK(message.find(" during UnCompressMem process") != std::string::npos);
    got.Code = std::stoi(message.substr(6));
  }
  if (!got.Failed && !got.Bytes.empty()) {
    FUZZ_CHECK(got.Bytes.size() <= Le32(rest, 0));
    FUZZ_CHECK(qvx::PackedChecksum(got.Bytes.data(), got.Bytes.size()) == Le32(rest, 8));
  }
  if (rest.size() > 12 && static_cast<int32_t>(Le32(rest, 0)) <= kReferenceLimit) {
    const TOutcome want = Reference(rest);
    FUZZ_CHECK(got.Failed == want.Failed);
    FUZZ_CHECK(got.Code == want.Code);
    FUZZ_CHECK(got.Bytes == want.Bytes);
  }
  return 0;
}
