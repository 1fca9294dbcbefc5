// The name index must answer exactly as the list's own scan does.
#include <gtest/gtest.h>

#include "common/name_index.h"

namespace qvx {
namespace {

TEST(NameIndexTest, AnswersAsTheListsOwnLookup) {
  TStringList list;
  list.SetText(
      "SoftID=12\r\n"
      "softid=13\r\n"          // a later line of the same name never wins
      "softid =14\r\n"         // this name ends with a blank
      "no equals sign\r\n"
      "a=b=c\r\n"
      "k=\r\n"
      "=empty name\r\n"
      "\xC4x=umlaut\r\n"       // only A-Z fold: \xE4 is another name
      "filename10=x\r\n"
      "filename1=y\r\n");
  TNameIndex index(list);
  for (const char* name : {"softid", "SOFTID", "softid ", "a", "k", "", "\xC4x", "\xE4x",
                           "filename1", "filename10", "filename100", "missing", "no equals sign",
                           "a=b"}) {
    EXPECT_EQ(index.ValueOf(name), list.ValueOf(name)) << "name '" << name << "'";
  }
  EXPECT_EQ(index.ValueOf("softid"), "12");
  EXPECT_EQ(index.ValueOf("a"), "b=c");
}

}  // namespace
}  // namespace qvx
