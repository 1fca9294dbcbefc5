#include "net/body_packer.h"
#include "net/body_unpack.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

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

}  // namespace
}  // namespace qvx
