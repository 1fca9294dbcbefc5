#include "common/ini_file.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

using test::TTempFolder;

std::vector<std::string> Lines(const TStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.LineAt(i));
  return out;
}

TEST(TIniFile, ReadTextGivesTheValueOrTheDefault) {
  TTempFolder dir;
  const std::string path =
      dir.Write("config.ini", "[Config]\r\nlang=2\r\nempty=\r\nlong=" + std::string(3000, 'x') +
                                  "\r\nproxySvr = \"host\" \r\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.FileName(), path);
  EXPECT_EQ(ini.ReadText("Config", "lang", "d"), "2");
  EXPECT_EQ(ini.ReadText("config", "LANG", "d"), "2");
  EXPECT_EQ(ini.ReadText("Config", "empty", "d"), "");
  EXPECT_EQ(ini.ReadText("Config", "proxySvr", "d"), "host");
  EXPECT_EQ(ini.ReadText("Config", "missing", "d"), "d");
  EXPECT_EQ(ini.ReadText("Other", "lang", "d"), "d");
  EXPECT_EQ(ini.ReadText("Config", "long", "d"), std::string(2047, 'x'));
  EXPECT_EQ(ini.ReadText("Config", "missing", std::string(3000, 'd')), std::string(2047, 'd'));
  EXPECT_EQ(TIniFile(dir.At("none.ini")).ReadText("Config", "lang", "8000"), "8000");
}

TEST(TIniFile, ReadIntAppliesTheIntegerRule) {
  TTempFolder dir;
  struct Case {
    const char* value;
    int32_t expected;
  } cases[] = {
      {"0x1F", 31},  {"0X1f", 31},     {"$1F", 31},      {"x1F", 31},
      {"-12", -12},  {" 12 ", 12},     {"\"7\"", 7},     {"12abc", -5},
      {"1.5", -5},   {"", -5},         {"2147483648", -5}, {"-2147483648", INT32_MIN},
      {"$FFFFFFFF", -1},
  };
  std::string text = "[N]\r\n";
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    text += "k" + std::to_string(i) + "=" + cases[i].value + "\r\n";
  TIniFile ini(dir.Write("n.ini", text));
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_EQ(ini.ReadInt("N", "k" + std::to_string(i), -5), cases[i].expected) << cases[i].value;
  EXPECT_EQ(ini.ReadInt("N", "missing", 42), 42);
  EXPECT_EQ(TIniFile(dir.At("none.ini")).ReadInt("N", "k0", 0), 0);
}

TEST(TIniFile, ReadSectionPairsListsKeysInFileOrder) {
  TTempFolder dir;
  TIniFile ini(dir.Write("lang.sil", "[Form1]\r\nb=1\r\na=\r\n;note=x\r\nB=2\r\nflag\r\n"
                                     "Caption=\"Update\"\r\n[Other]\r\nz=9\r\n"));
  TStringList target;
  target.Add("stale");
  ini.ReadSectionPairs("form1", target);
  // A repeated key reads, both times, as its first value.
  EXPECT_EQ(Lines(target), (std::vector<std::string>{"b=1", "a=", "B=1", "Caption=Update"}));

  ini.ReadSectionPairs("Missing", target);
  EXPECT_EQ(target.Count(), 0);
  target.Add("stale");
  TIniFile(dir.At("none.sil")).ReadSectionPairs("Form1", target);
  EXPECT_EQ(target.Count(), 0);
}

TEST(TIniFile, ReadSectionPairsStopsWhereTheNameListIsFull) {
  TTempFolder dir;
  // 2000 names of 9 characters and a NUL do not fit into the list; the last ones are not seen.
  std::string text = "[S]\r\n";
  for (int i = 0; i < 2000; ++i) text += "key" + std::to_string(100000 + i) + "=" + std::to_string(i) + "\r\n";
  TIniFile ini(dir.Write("big.ini", text));
  TStringList target;
  ini.ReadSectionPairs("S", target);
  ASSERT_GT(target.Count(), 1600);
  ASSERT_LT(target.Count(), 2000);
  EXPECT_EQ(target.LineAt(0), "key100000=0");
  for (int i = 0; i + 1 < target.Count(); ++i)
    EXPECT_EQ(target.ValueAt(i), std::to_string(i)) << "line " << i;
}

TEST(TWideIniFile, ReadsUtf16FilesExactly) {
  TTempFolder dir;
  const std::u16string content =
      u"\ufeff[Language]\r\nName1=\u4e2d\u6587\r\nName2=English\r\nLong=" +
      std::u16string(3000, u'\u00e9') + u"\r\n";
  std::string bytes;
  for (char16_t c : content) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  const std::u16string path = AnsiToWide(dir.Write("Data/Language.sil", bytes));
  TWideIniFile ini(path);
  EXPECT_TRUE(ini.ReadWideText(u"language", u"name1", u"") == u"\u4e2d\u6587");
  EXPECT_TRUE(ini.ReadWideText(u"Language", u"Name2", u"") == u"English");
  EXPECT_TRUE(ini.ReadWideText(u"Language", u"Long", u"") == std::u16string(2047, u'\u00e9'));
  EXPECT_TRUE(ini.ReadWideText(u"Language", u"Name3", u"none") == u"none");
  EXPECT_TRUE(TWideIniFile(AnsiToWide(dir.At("no.sil"))).ReadWideText(u"L", u"N", u"d") == u"d");
}

}  // namespace
}  // namespace qvx
