#include "net/body_packer.h"
#include "net/body_unpack.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "net/unpacking_sink.h"

namespace qvx {
namespace {


std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

std::string Packed(int32_t declared, uint32_t checksum, const std::string& deflated,
                   uint32_t unused = 0) {
  return Le32(static_cast<uint32_t>(declared)) + Le32(unused) + Le32(checksum) + deflated;
}

std::string Sample() {
  std::string s;
  for (int i = 0; i < 5000; ++i) s += "update line " + std::to_string(i * 31 % 977) + "\n";
  return s;
}

TEST(PackedChecksum, BothSumsStartFromZero) {
  EXPECT_EQ(PackedChecksum("abc", 3), 0x024A0126u);
  // Against a direct evaluation of the definition: lengths around the 16-byte steps and the
  // reduction spans, all-0xFF bytes (largest sums), and a start off any alignment.
  auto definition = [](const std::string& data) {
    uint32_t s1 = 0, s2 = 0;
    for (unsigned char c : data) {
      s1 = (s1 + c) % 65521;
      s2 = (s2 + s1) % 65521;
    }
    return s2 * 65536 + s1;
  };
  std::string pattern(300001, '\0');
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<char>(255 - i % 251);
  std::string ones(300001, '\xff');
  for (size_t n : {0, 1, 15, 16, 17, 5535, 5536, 5537, 5552, 11073, 300000}) {
    for (const std::string* source : {&pattern, &ones}) {
      const std::string data = source->substr(1, n);
      EXPECT_EQ(PackedChecksum(source->data() + 1, n), definition(data)) << n << " bytes";
    }
  }
}

TEST(UnCompressBody, GoodBodiesUnpack) {
  const std::string data = Sample();
  const std::string deflated = RawDeflate(data);
  const uint32_t sum = PackedChecksum(data.data(), data.size());
  struct Case {
    const char* name;
    std::string packed;
  } cases[] = {
      {"exact size", Packed(static_cast<int32_t>(data.size()), sum, deflated)},
      {"bytes after the stream are ignored", Packed(static_cast<int32_t>(data.size()), sum, deflated + "junk!")},
      {"declared size larger than the data", Packed(static_cast<int32_t>(data.size()) + 1000, sum, deflated)},
      {"offset 4 holds anything", Packed(static_cast<int32_t>(data.size()), sum, deflated, 0xDEADBEEF)},
      // An absurd size is never allocated: no deflate stream can grow that much.
      {"declared size near the 32-bit limit", Packed(0x7FFFFFF0, sum, deflated)},
  };
  for (const auto& c : cases) EXPECT_EQ(UnCompressBody(c.packed), data) << c.name;
}

TEST(UnCompressBody, EmptyResults) {
  const std::string data = Sample();
  const std::string deflated = RawDeflate(data);
  const uint32_t standardAdler = static_cast<uint32_t>(
      adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  struct Case {
    const char* name;
    std::string packed;
  } cases[] = {
      {"nothing", ""},
      {"5 bytes", "\x10\0\0\0\0"},
      {"12 bytes", Packed(10, 0, "")},
      {"unpacks to nothing", Packed(10, 0, RawDeflate(""))},
      {"checksum mismatch", Packed(static_cast<int32_t>(data.size()), 12345, deflated)},
      {"standard Adler-32 in the field", Packed(static_cast<int32_t>(data.size()), standardAdler, deflated)},
  };
  for (const auto& c : cases) EXPECT_EQ(UnCompressBody(c.packed), "") << c.name;
}

TEST(UnCompressBody, InflaterFailuresRaiseWithZlibsCode) {
  const std::string data = Sample();
  const std::string deflated = RawDeflate(data);
  const uint32_t sum = PackedChecksum(data.data(), data.size());
  std::string gzipFile = "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03" + deflated;
  struct Case {
    const char* name;
    std::string packed;
    const char* message;
  } cases[] = {
      {"size 0", Packed(0, sum, deflated), "Error -2 during UnCompressMem process"},
      {"negative size", Packed(-5, sum, deflated), "Error -2 during UnCompressMem process"},
      {"size smaller than the data", Packed(static_cast<int32_t>(data.size()) - 1, sum, deflated),
       "Error -5 during UnCompressMem process"},
      {"data cut short", Packed(static_cast<int32_t>(data.size()), sum, deflated.substr(0, deflated.size() / 2)),
       "Error -5 during UnCompressMem process"},
      {"13 bytes are processed", Packed(100, 0, std::string(1, '\x04')), "Error -5 during UnCompressMem process"},
      {"invalid deflate data", Packed(100, 0, "\xff\xff\xff\xff"), "Error -3 during UnCompressMem process"},
      {"gzip file format", gzipFile, nullptr},
  };
  for (const auto& c : cases) {
    try {
      UnCompressBody(c.packed);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const EUnpackError& e) {
      if (c.message) {
        EXPECT_STREQ(e.what(), c.message) << c.name;
      }
    }
  }
}

TEST(UnCompressMem, WritesIntoTheCallersBuffer) {
  const std::string data = "hello hello hello hello";
  const std::string deflated = RawDeflate(data);
  char out[64];
  EXPECT_EQ(UnCompressMem(deflated.data(), out, deflated.size(), sizeof out), data.size());
  EXPECT_EQ(std::string(out, data.size()), data);
  EXPECT_THROW(UnCompressMem(deflated.data(), out, deflated.size(), 5), EUnpackError);
}


// What unpacking a body gives, as text: "=" and the bytes, "" for nothing, or the error's message.
template <typename Unpack>
std::string OutcomeOf(Unpack unpack) {
  try {
    const std::string out = unpack();
    return out.empty() ? std::string() : "=" + out;
  } catch (const EUnpackError& e) {
    return e.what();
  }
}

struct TCollector : TBodySink {
  std::string Bytes;
  size_t Writes = 0;
  bool Write(const char* data, size_t n) override {
    Bytes.append(data, n);
    ++Writes;
    return true;
  }
};

// The unpacking rule read literally: the whole stated size as output space, one inflater call.
std::string OneCallUnpack(const std::string& packed) {
  if (packed.size() <= 12) return std::string();
  const int32_t declared = static_cast<int32_t>(uint8_t(packed[0]) | uint8_t(packed[1]) << 8 |
                                                uint8_t(packed[2]) << 16 | uint32_t(uint8_t(packed[3])) << 24);
  std::string out(declared > 0 ? static_cast<size_t>(declared) : 0, '\0');
  out.resize(UnCompressMem(packed.data() + 12, declared > 0 ? &out[0] : nullptr, packed.size() - 12, out.size()));
  uint32_t field = 0;
  std::memcpy(&field, packed.data() + 8, 4);
  return !out.empty() && PackedChecksum(out.data(), out.size()) == field ? out : std::string();
}

// The body handed to a TUnpackingSink in pieces of the given size.
std::string UnpackInPieces(const std::string& packed, size_t piece) {
  TCollector out;
  TUnpackingSink sink(out);
  for (size_t at = 0; at < packed.size(); at += piece) {
    EXPECT_TRUE(sink.Write(packed.data() + at, std::min(piece, packed.size() - at)));
  }
  EXPECT_EQ(sink.Unpacked(), out.Bytes.size());
  return sink.Finish() ? out.Bytes : std::string();
}

TEST(UnpackingSink, AnyPieceSizeGivesTheOutcomeOfTheWholeBody) {
  const std::string data = Sample();
  const std::string deflated = RawDeflate(data);
  const int32_t size = static_cast<int32_t>(data.size());
  const uint32_t sum = PackedChecksum(data.data(), data.size());
  // Stored (level 0) blocks end with no output needed, so the stated size can be met exactly
  // before the stream's end is read.
  const std::string stored = RawDeflate(data, 0);
  const std::string bodies[] = {
      Packed(size, sum, deflated),
      Packed(size, sum, deflated + "junk!"),
      Packed(size + 1000, sum, deflated),
      Packed(size, sum, stored),
      Packed(size - 1, sum, stored),
      Packed(size - 1, sum, deflated),
      Packed(size, sum, deflated.substr(0, deflated.size() / 2)),
      Packed(size, sum, deflated.substr(0, deflated.size() - 1)),
      Packed(size, sum + 1, deflated),
      Packed(0, sum, deflated),
      Packed(-5, sum, deflated),
      Packed(10, 0, RawDeflate("")),
      Packed(100, 0, std::string(1, '\x04')),
      Packed(100, 0, "\xff\xff\xff\xff"),
      Packed(size, sum, deflated.substr(0, 100) + "\xff\xff\xff\xff" + deflated.substr(100)),
      Packed(10, 0, ""),
      "\x10\0\0\0\0",
  };
  for (const std::string& packed : bodies) {
    const std::string whole = OutcomeOf([&] { return OneCallUnpack(packed); });
    EXPECT_EQ(OutcomeOf([&] { return UnCompressBody(packed); }), whole) << packed.size() << "-byte body";
    for (size_t piece : {1, 7, 12, 13, 4096}) {
      EXPECT_EQ(OutcomeOf([&] { return UnpackInPieces(packed, piece); }), whole)
          << packed.size() << "-byte body in pieces of " << piece;
    }
  }
  // The table holds each kind of outcome, so the comparison above covers all of them.
  EXPECT_EQ(OutcomeOf([&] { return UnCompressBody(bodies[3]); }), "=" + data);
  EXPECT_EQ(OutcomeOf([&] { return UnCompressBody(bodies[4]); }), "Error -5 during UnCompressMem process");
  EXPECT_EQ(OutcomeOf([&] { return UnCompressBody(bodies[13]); }), "Error -3 during UnCompressMem process");
  EXPECT_EQ(OutcomeOf([&] { return UnCompressBody(bodies[9]); }), "Error -2 during UnCompressMem process");
  EXPECT_EQ(OutcomeOf([&] { return UnCompressBody(bodies[8]); }), "");
}

TEST(UnpackingSink, HandsOnLargeBodiesInBoundedBlocksAndStopsWhenTheOutputRefuses) {
  std::string data(3 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7919) >> 9);
  const std::string packed =
      Packed(static_cast<int32_t>(data.size()), PackedChecksum(data.data(), data.size()), RawDeflate(data, 1));
  TCollector out;
  {
    TUnpackingSink sink(out);
    EXPECT_TRUE(sink.Write(packed.data(), packed.size()));
    EXPECT_TRUE(sink.Finish());
  }
  EXPECT_TRUE(out.Bytes == data);
  EXPECT_GE(out.Writes, data.size() / (256 * 1024));

  struct TRefusing : TBodySink {
    size_t Calls = 0;
    bool Write(const char*, size_t) override { return ++Calls < 2; }
  } refusing;
  TUnpackingSink sink(refusing);
  EXPECT_FALSE(sink.Write(packed.data(), packed.size()));
  EXPECT_EQ(refusing.Calls, 2u);
}

}  // namespace
}  // namespace qvx
