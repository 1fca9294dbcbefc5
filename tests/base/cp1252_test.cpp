#include "base/cp1252.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace qvx {
namespace {

TEST(Cp1252, EveryByteSurvivesTheTripThroughUtf16) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::u16string wide = Cp1252ToWide(all);
  ASSERT_EQ(wide.size(), 256u);
  EXPECT_EQ(wide[0x80], u'\u20AC');
  EXPECT_EQ(wide[0x81], u'\u0081');
  EXPECT_EQ(wide[0x9F], u'\u0178');
  EXPECT_EQ(wide[0xE9], u'\u00E9');
  EXPECT_EQ(WideToCp1252(wide), all);
}

TEST(Cp1252, CharactersOutsideBecomeSimilarOnesOrQuestionMarks) {
  EXPECT_EQ(WideToCp1252(u"\u0100\uFF21\u2018\u4e2d\U0001F600x"), "AA\x91??x");
}

#ifdef _WIN32
// Under Windows the code page is the platform's own; with Windows-1252 as the ANSI code page our
// table must give exactly what the platform gives.
TEST(Cp1252, MatchesThePlatformsCodePage) {
  if (AnsiToWide("\x80") != u"\u20AC") GTEST_SKIP() << "the ANSI code page is not Windows-1252";
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_TRUE(AnsiToWide(byte) == Cp1252ToWide(byte)) << "byte " << b;
  }
  int mismatches = 0;
  for (unsigned c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c < 0xE000) continue;
    const std::u16string ch(1, static_cast<char16_t>(c));
    if (WideToAnsi(ch) != WideToCp1252(ch) && ++mismatches <= 10)
      ADD_FAILURE() << "U+" << std::hex << c << ": platform '" << WideToAnsi(ch) << "', ours '"
                    << WideToCp1252(ch) << "'";
  }
  EXPECT_EQ(mismatches, 0);
}
#endif

}  // namespace
}  // namespace qvx
