// Status message texts: the user's language, the fallback to language 1, and the message file
// that appears after the first look.
#include "lang/message_strings.h"

#include <gtest/gtest.h>

#include "startup/globals.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

class MessageStringsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppPath = FFolder.Path();
    LangIndex = 1;
    ForgetLangStrFile();
  }
  void TearDown() override { ForgetLangStrFile(); }
  test::TTempFolder FFolder;
};

TEST_F(MessageStringsTest, MissingFileUntilItAppears) {
  EXPECT_EQ(GetLangStr(147), "error in language.ini");
  EXPECT_EQ(GetLangStr(147), "error in language.ini");
  FFolder.Write("data\\Language.ini", "[1]\r\ncon_str147=Checking \r\n");
  EXPECT_EQ(GetLangStr(147), "Checking");
}

TEST_F(MessageStringsTest, KeysSectionsAndFallback) {
  FFolder.Write("data\\Language.ini",
                "[1]\r\n"
                "con_str031=one 31\r\n"
                "con_str005=five\r\n"
                "con_str1234=four digits\r\n"
                "con_str146=one 146\r\n"
                "con_str147=one 147\r\n"
                "con_str300=\"  \"\r\n"
                "[2]\r\n"
                "con_str146=\"   \"\r\n"
                "con_str147=two 147\r\n"
                "con_str031=\r\n"
                "con_str200=only two\r\n"
                "[3]\r\n");
  struct Case {
    uint8_t lang;
    int32_t number;
    const char* expected;
  } cases[] = {
      {1, 31, "one 31"},      {1, 5, "five"},        {1, 1234, "four digits"},
      {1, 148, ""},           {1, 200, ""},          // language 1 never looks elsewhere
      {1, 300, "  "},         // blank, but returned as read
      {2, 147, "two 147"},    {2, 146, "one 146"},   // blanks in the user's language
      {2, 31, "one 31"},      {2, 5, "five"},        {2, 200, "only two"},
      {2, 999, ""},           {3, 147, "one 147"},   {9, 146, "one 146"},
  };
  for (const auto& c : cases) {
    LangIndex = c.lang;
    EXPECT_EQ(GetLangStr(c.number), c.expected) << "language " << int(c.lang) << " message " << c.number;
  }
}

TEST_F(MessageStringsTest, TheFileIsReadAnewOnEveryCall) {
  FFolder.Write("data\\Language.ini", "[1]\r\ncon_str146=old\r\n");
  EXPECT_EQ(GetLangStr(146), "old");
  FFolder.Write("data\\Language.ini", "[1]\r\ncon_str146=new\r\n");
  EXPECT_EQ(GetLangStr(146), "new");
}

}  // namespace
}  // namespace qvx
