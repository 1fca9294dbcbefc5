#include "net/body_packer.h"

#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "net/body_unpack.h"

namespace qvx {
namespace {

uint32_t LittleEndianAt(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

TEST(CompressBody, HeaderCarriesSizeAndChecksumWithBothSumsFromZero) {
  const std::string packed = CompressBody("abc");
  ASSERT_GT(packed.size(), 12u);
  EXPECT_EQ(LittleEndianAt(packed, 0), 3u);
  EXPECT_EQ(LittleEndianAt(packed, 4), 0u);
  EXPECT_EQ(LittleEndianAt(packed, 8), 0x024A0126u);
}

TEST(CompressBody, UnpacksToTheSameBytes) {
  std::mt19937 random(7);
  std::string noise(200000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const std::string cases[] = {
      std::string(1, '\0'),
      "x",
      std::string(65537, 'a'),          // more than one 64 KiB block, highly compressible
      noise,                            // incompressible: deflate stored blocks
      std::string("a\r\nb\0c", 6),
  };
  for (const std::string& body : cases) {
    const std::string packed = CompressBody(body);
    EXPECT_EQ(UnCompressBody(packed), body) << "body of " << body.size() << " bytes";
  }
}

TEST(CompressBody, RefusesAnEmptyBody) {
  // The layout states a size of 0 for it, which the unpacking side treats as an error.
  EXPECT_THROW(CompressBody(""), Exception);
}

}  // namespace
}  // namespace qvx
