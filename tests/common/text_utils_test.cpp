#include "common/text_utils.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(TrimBlanks, DropsControlBytesAndBlanksAtBothEnds) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {" \t\r\n ", ""},
      {"  a b \r\n", "a b"},
      {"\x01x\x1f", "x"},
      {"\xa0x\xa0", "\xa0x\xa0"},  // bytes above 127 are not blanks
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimBlanks(c.in), c.out) << "input: " << c.in;
}

TEST(EqualTextIgnoreCase, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(EqualTextIgnoreCase("Remote.DB", "remote.db"));
  EXPECT_FALSE(EqualTextIgnoreCase("abc", "abcd"));
  EXPECT_FALSE(EqualTextIgnoreCase("\xe4", "\xc4"));  // no folding above 127
  EXPECT_FALSE(EqualTextIgnoreCase("[", "{"));
}

}  // namespace
}  // namespace qvx
