#include "qvxpublish/entry_rules.h"

#include <gtest/gtest.h>

#include "qvxpublish/code_page_1252.h"

namespace qvx {
namespace {

TEST(WhyNameRefused, RefusesWhatTheListOrAWindowsFolderCannotCarry) {
  struct Case {
    std::string name;
    bool refused;
  } cases[] = {
      {"readme.txt", false},     {"Read me.txt", false},  {"caf\xe9.ini", false},
      {"a=b.txt", true},         {"a\nb", true},          {"tab\there", true},
      {"a:b", true},             {"a\\b", true},          {"what?.txt", true},
      {"pipe|.txt", true},       {"quote\".txt", true},   {"star*.txt", true},
      {"trailing.", true},       {"trailing ", true},     {" leading", true},
      {"CON", true},             {"con.txt", true},       {"Com1.log", true},
      {"lpt9", true},            {"nul .txt", true},      {"COM0", false},
      {"console.txt", false},    {"COM10", false},        {"\x7f", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(!WhyNameRefused(c.name).empty(), c.refused) << "name: " << c.name;
}

TEST(WhyEntryRefused, RefusesWhatTheUpdaterWouldWriteOrFetchWrongly) {
  struct Case {
    std::string entry;
    bool refused;
  } cases[] = {
      {"qvxtool.exe", false},
      {"data\\x.ini", false},
      {"folder with blank\\x.ini", false},
      {"..\\x.ini", true},
      {"data\\..\\..\\x.ini", true},
      {"\\windows\\x.dll", true},
      {"C:\\x.dll", true},
      {"\\\\server\\share\\x", true},
      {"data/x.ini", true},
      {"data\\x.ini:stream", true},
      {"data\\", true},
      {"", true},
      {" x.ini", true},
      {"my file.txt", true},    // the request line carries names unencoded
      {"100%.txt", true},
      {"a#b.txt", true},
      {"qvxtool-old.exe", true},  // a tool file: saved over the executable
      {"bin\\qvxtool.exe", true},
      {"qvxtool.chm", false},     // only executables are tool files
      {"a\\...\\x.ini", true},   // Windows drops the third dot: the segment climbs
      {"..x.ini", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(!WhyEntryRefused(c.entry).empty(), c.refused) << "entry: " << c.entry;
}

TEST(WhyUpdaterSkips, NamesKeptDataFilesAndTheUpdaterInAFolder) {
  EXPECT_FALSE(WhyUpdaterSkips("REMOTE.DB").empty());
  EXPECT_FALSE(WhyUpdaterSkips("keysdata.rif").empty());
  EXPECT_FALSE(WhyUpdaterSkips("bin\\QvxUpdate.exe").empty());
  EXPECT_FALSE(WhyUpdaterSkips("data\\remote.db").empty());
  EXPECT_TRUE(WhyUpdaterSkips("QvxUpdate.exe").empty());  // replaced, with its hash
  EXPECT_TRUE(WhyUpdaterSkips("keysData.rif.bak").empty());
  EXPECT_TRUE(WhyUpdaterSkips("qvxtool.exe").empty());
}

TEST(MatchesPattern, WildcardsAndLetterCase) {
  struct Case {
    std::string text, pattern;
    bool match;
  } cases[] = {
      {"app.pdb", "*.pdb", true},  {"APP.PDB", "*.pdb", true}, {"app.pdbx", "*.pdb", false},
      {"a.txt", "?.txt", true},    {"ab.txt", "?.txt", false}, {"data\\cache", "data\\*", true},
      {"x", "*", true},            {"", "*", true},            {"abcabd", "*abd", true},
      {"\xe4.txt", "\xc4.txt", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchesPattern(c.text, c.pattern), c.match) << c.text << " vs " << c.pattern;
}

TEST(Utf8ToCp1252, TakesWhatWindows1252HoldsAndNothingElse) {
  struct Case {
    std::string utf8;
    bool ok;
    std::string cp;
  } cases[] = {
      {"plain.txt", true, "plain.txt"},
      {"caf\xc3\xa9", true, "caf\xe9"},
      {"\xe2\x82\xac", true, "\x80"},          // euro sign
      {"\xc5\xb8", true, "\x9f"},              // Y with diaeresis
      {"\xc3\xbf", true, "\xff"},
      {"\xc4\x80", false, ""},                 // A with macron
      {"\xe6\x97\xa5", false, ""},             // a CJK character
      {"\xc2\x81", false, ""},                 // a C1 control
      {"\xc3", false, ""},                     // cut short
      {"\xc0\xaf", false, ""},                 // overlong
      {"\xed\xa0\x80", false, ""},             // a surrogate
      {"\xe9", false, ""},                     // Latin-1 byte, not UTF-8
  };
  for (const Case& c : cases) {
    std::string out = "untouched";
    EXPECT_EQ(Utf8ToCp1252(c.utf8, out), c.ok) << c.utf8;
    if (c.ok) {
      EXPECT_EQ(out, c.cp);
    }
  }
}

TEST(Cp1252ToUtf8, RoundTripsEveryAssignedByte) {
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    std::string back;
    const bool assigned = !(b >= 0x80 && b <= 0x9f) || (b != 0x81 && b != 0x8d && b != 0x8f &&
                                                        b != 0x90 && b != 0x9d);
    if (!assigned) continue;
    ASSERT_TRUE(Utf8ToCp1252(Cp1252ToUtf8(one), back)) << "byte " << b;
    EXPECT_EQ(back, one) << "byte " << b;
  }
}

}  // namespace
}  // namespace qvx
