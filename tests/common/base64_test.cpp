#include "common/base64.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

// Canonical pairs hold both ways: what is written is read back to the same bytes.
TEST(Base64, EncodesAndDecodesCanonicalText) {
  struct Case {
    std::string bytes, text;
  } cases[] = {
      {"", ""},
      {"A", "QQ=="},
      {"AB", "QUI="},
      {"ABC", "QUJD"},
      {"ABCD", "QUJDRA=="},
      {"ABCDE", "QUJDREU="},
      {"user:pa ss", "dXNlcjpwYSBzcw=="},
      {std::string("\xff\xef\x00", 3), "/+8A"},
      {std::string("\x00\x00\x00\xfb\xff", 5), "AAAA+/8="},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeBase64(c.bytes), c.text) << c.text;
    EXPECT_EQ(Base64ToText(c.text), c.bytes) << c.text;
  }
}

// Reading is lenient about what stands in the padding places and strict about everything else.
TEST(Base64, DecodingGivesEmptyTextForStrayCharacters) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"QQ??", "A"},
      {"QU D", "A"},  // the blank stands where padding goes
      {"QUJ", ""},
      {"Q JD", ""},
      {"Q===", ""},
      {"QUJD\r\n", ""},
      {"QU=D", "A"},  // "=" before the last character makes both padding
      {"QR==", "A"},  // unused low bits are ignored
  };
  for (const auto& c : cases) EXPECT_EQ(Base64ToText(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace qvx
