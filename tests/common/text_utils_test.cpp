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

TEST(SplitAtFirst, SplitsAtTheFirstSeparatorOnly) {
  struct Case {
    std::string text, sep, left, right;
  } cases[] = {
      {"D:\\app\\main.exe|112", "|", "D:\\app\\main.exe", "112"},
      {"abc", "|", "abc", ""},
      {"a|b|c", "|", "a", "b|c"},
      {"|x", "|", "", "x"},
      {"x|", "|", "x", ""},
      {"aXYbXYc", "XY", "a", "bXYc"},
      {"aXb", "x", "aXb", ""},  // case counts
      {"abc", "", "abc", ""},
      {"", "|", "", ""},
  };
  for (const auto& c : cases) {
    std::string l = "stale", r = "stale";
    SplitAtFirst(c.text, c.sep, l, r);
    EXPECT_EQ(l, c.left) << c.text;
    EXPECT_EQ(r, c.right) << c.text;
  }
  std::string s = "a|b", r;
  SplitAtFirst(s, "|", s, r);  // output aliasing the input
  EXPECT_EQ(s, "a");
  EXPECT_EQ(r, "b");
}

TEST(SplitByChar, KeepsInnerPiecesAsTheyStand) {
  struct Case {
    std::string text;
    char sep;
    TStrArray out;
  } cases[] = {
      {"a,b,,c", ',', {"a", "b", "", "c"}},
      {"a,b,", ',', {"a", "b"}},
      {" x , y ", ',', {"x ", " y"}},
      {"a, ", ',', {"a"}},
      {",a", ',', {"", "a"}},
      {"", ',', {}},
      {" \t ", ',', {}},
      {"abc", ',', {"abc"}},
      {"Form1.Caption", '.', {"Form1", "Caption"}},
  };
  for (const auto& c : cases) {
    TStrArray out = {"stale"};
    SplitByChar(c.text, c.sep, out);
    EXPECT_EQ(out, c.out) << c.text;
  }
  TStrArray many;
  SplitByChar(std::string(2000, ','), ',', many);
  EXPECT_EQ(many.size(), 1024u);
}

TEST(SplitByString, DropsEmptyPieces) {
  struct Case {
    std::string text, sep;
    TStrArray out;
  } cases[] = {
      {"a#$D#$A#$D#$Ab", "#$D#$A", {"a", "b"}},
      {"#$D#$Aa", "#$D#$A", {"a"}},
      {"abc", "#$D#$A", {"abc"}},
      {" a ;; b ", ";", {" a ", " b "}},
      {"aaa", "aa", {"a"}},
      {"  ", ";", {}},
      {"", ";", {}},
  };
  for (const auto& c : cases) {
    TStrArray out = {"stale"};
    SplitByString(c.text, c.sep, out);
    EXPECT_EQ(out, c.out) << c.text;
  }
}

TEST(GetBracketIndex, ReadsTheIntegerBetweenTheFirstBrackets) {
  struct Case {
    std::string text;
    int32_t index;
  } cases[] = {
      {"ColWidths[2]", 2}, {"Col[ 3]", 3},  {"Col[3 ]", -1}, {"Col[]", -1}, {"Col[x]", -1},
      {"A]x[3]", -1},      {"Col[-4]", -4}, {"X[1][2]", 1},  {"Col", -1},   {"Col[5", -1},
      {"Col[$A]", 10},
  };
  for (const auto& c : cases) EXPECT_EQ(GetBracketIndex(c.text), c.index) << c.text;
}

TEST(ParseIntList, ReadsDatesAndWildcards) {
  const int32_t kMax = 2147483647;
  struct Case {
    std::string text;
    bool ok;
    TIRIntegerArr values;
  } cases[] = {
      {"2019-05-06-10-20-30", true, {2019, 5, 6, 10, 20, 30}},
      {"1-x-X", true, {1, kMax, kMax}},
      {"1--x", true, {1, -kMax}},
      {"1--X", true, {1, -kMax}},
      {"1--2", true, {1, -2}},
      {"-5", true, {-5}},
      {"1-2-", true, {1, 2}},
      {"1- 2", true, {1, 2}},
      {"1-$A", true, {1, 10}},
      {"1 -2", false, {}},
      {"1-2--3-4", false, {}},
      {"a-1", false, {}},
      {"1-xx", false, {}},
      {"", false, {}},
      {"   ", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    bool ok = !c.ok;
    TIRIntegerArr values = {77};
    ParseIntList(c.text, '-', ok, values);
    EXPECT_EQ(ok, c.ok);
    if (c.ok || c.text.find_first_not_of(' ') == std::string::npos) {
      EXPECT_EQ(values, c.values);
    }
  }
  bool ok = true;
  TIRIntegerArr values = {1, 2, 3};
  ParseIntList("1|2", '-', ok, values);
  EXPECT_FALSE(ok);
  EXPECT_EQ(values, (TIRIntegerArr{1, 2, 3})) << "a list with '|' leaves the array alone";
}

}  // namespace
}  // namespace qvx
