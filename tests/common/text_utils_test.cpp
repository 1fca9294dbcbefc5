#include "common/text_utils.h"

#include "base/errors.h"
#include "platform/locale.h"

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

}  // namespace
}  // namespace qvx

namespace qvx {
namespace {

TEST(IntegerRule, AcceptsAndRejectsLikeTheOneRule) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"7", true, 7},
      {" 7", true, 7},
      {"  -7", true, -7},
      {"+7", true, 7},
      {"012", true, 12},
      {"0", true, 0},
      {"$1f", true, 31},
      {"$aA", true, 170},
      {"0X1F", true, 31},
      {"0x1F", true, 31},
      {"x1F", true, 31},
      {"X1f", true, 31},
      {"-$10", true, -16},
      {"$FFFFFFFF", true, -1},
      {"$80000000", true, INT32_MIN},
      {"-$80000000", true, INT32_MIN},
      {"$0FFFFFFFF", true, -1},  // leading zero does not count against the eight digits
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"00000000002147483647", true, INT32_MAX},
      {"7 ", false, 0},
      {"- 7", false, 0},
      {"", false, 0},
      {"  ", false, 0},
      {"--7", false, 0},
      {"+-7", false, 0},
      {"\t7", false, 0},  // only byte 32 is skipped
      {"0x", false, 0},
      {"$", false, 0},
      {"-", false, 0},
      {"$1G", false, 0},
      {"1.5", false, 0},
      {"12abc", false, 0},
      {"2147483648", false, 0},
      {"+2147483648", false, 0},
      {"-2147483649", false, 0},
      {"4294967296", false, 0},
      {"99999999999", false, 0},
      {"$100000000", false, 0},
      {"0x0x1", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("text '") + c.text + "'");
    int32_t v = 12345;
    EXPECT_EQ(TryTextToInt32(c.text, v), c.ok);
    EXPECT_EQ(TextToInt32Def(c.text, -99), c.ok ? c.value : -99);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
      EXPECT_EQ(TextToInt32(c.text), c.value);
    } else {
      EXPECT_EQ(v, 12345) << "a failed conversion must leave the integer alone";
      try {
        TextToInt32(c.text);
        ADD_FAILURE() << "no exception";
      } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), std::string("'") + c.text + "' is not a valid integer value");
      }
    }
  }
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

TEST(Base64ToText, DecodesOrGivesEmptyText) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"QUJD", "ABC"},
      {"QUI=", "AB"},
      {"QQ==", "A"},
      {"QQ??", "A"},
      {"QU D", "A"},  // the blank stands where padding goes
      {"QUJ", ""},
      {"Q JD", ""},
      {"", ""},
      {"Q===", ""},
      {"QUJD\r\n", ""},
      {"QU=D", "A"},  // "=" before the last character makes both padding
      {"QUJDRA==", "ABCD"},
      {"QUJDREU=", "ABCDE"},
      {"/+8A", std::string("\xff\xef\x00", 3)},
      {"QR==", "A"},  // unused low bits are ignored
  };
  for (const auto& c : cases) EXPECT_EQ(Base64ToText(c.in), c.out) << c.in;
}

TEST(ComposeDateTime, CountsDaysFrom1899AndRejectsInvalidFields) {
  EXPECT_DOUBLE_EQ(ComposeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(ComposeDateTime(1900, 1, 1, 0, 0, 0, 0), 2.0);
  EXPECT_NEAR(ComposeDateTime(2019, 5, 6, 10, 20, 30, 0), 43591.43090277778, 1e-9);
  EXPECT_DOUBLE_EQ(ComposeDateTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
  EXPECT_NEAR(ComposeDateTime(1, 1, 1, 0, 0, 0, 0), -693593.0, 1e-9);
  EXPECT_NEAR(ComposeDateTime(9999, 12, 31, 23, 59, 59, 999), 2958465.999999988, 1e-8);
  EXPECT_NO_THROW(ComposeDateTime(2020, 2, 29, 0, 0, 0, 0));
  EXPECT_NO_THROW(ComposeDateTime(2000, 2, 29, 0, 0, 0, 0));

  struct Bad {
    uint16_t y, mo, d, h, mi, s, ms;
  } bad[] = {{2019, 2, 29, 0, 0, 0, 0}, {1900, 2, 29, 0, 0, 0, 0}, {2019, 4, 31, 0, 0, 0, 0},
             {2019, 1, 1, 24, 0, 0, 0}, {2019, 1, 1, 0, 60, 0, 0}, {2019, 1, 1, 0, 0, 60, 0},
             {2019, 1, 1, 0, 0, 0, 1000}, {0, 1, 1, 0, 0, 0, 0},    {10000, 1, 1, 0, 0, 0, 0},
             {2019, 0, 1, 0, 0, 0, 0},  {2019, 13, 1, 0, 0, 0, 0}, {2019, 1, 0, 0, 0, 0, 0},
             {2019, 65535, 1, 0, 0, 0, 0}};
  for (const auto& b : bad) {
    EXPECT_THROW(ComposeDateTime(b.y, b.mo, b.d, b.h, b.mi, b.s, b.ms), EConvertError)
        << b.y << "-" << b.mo << "-" << b.d << " " << b.h << ":" << b.mi << ":" << b.s;
  }
}

TEST(ComposeDateTime, FailureWritesTheFieldsWithTheLocaleSeparators) {
  const TLocaleSeparators sep = UserLocaleSeparators();
#ifndef _WIN32
  EXPECT_EQ(sep.Date, '-');
  EXPECT_EQ(sep.Time, ':');
  EXPECT_EQ(sep.Decimal, '.');
#endif
  const std::string expected = std::string("''2019") + sep.Date + "?" + sep.Date + "7 8" +
                               sep.Time + "9" + sep.Time + "10" + sep.Decimal +
                               "11'' is not a valid date and time";
  try {
    ComposeDateTime(2019, 65535, 7, 8, 9, 10, 11);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), expected);
  }
}

TEST(PathNames, SplitAtTheLastDelimiter) {
  struct Case {
    std::string path, folder, name;
  } cases[] = {
      {"data\\App.info", "data\\", "App.info"},
      {"C:\\app\\qvxupdate.exe", "C:\\app\\", "qvxupdate.exe"},
      {"C:\\qvxupdate.exe", "C:\\", "qvxupdate.exe"},
      {"C:x.exe", "C:", "x.exe"},
      {"plain.txt", "", "plain.txt"},
      {"dir\\", "dir\\", ""},
      {"", "", ""},
#ifndef _WIN32
      {"/opt/app/qvxupdate", "/opt/app/", "qvxupdate"},
      {"/opt/app\\data\\x.ini", "/opt/app\\data\\", "x.ini"},
#else
      {"a/b", "", "a/b"},
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
    EXPECT_EQ(NameOfPath(c.path), c.name) << c.path;
  }
}

}  // namespace
}  // namespace qvx
