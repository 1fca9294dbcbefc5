#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(SplitCommandLine, SeparatesWordsByBlanksAndDropsQuotes) {
  using V = std::vector<std::string>;
  struct Case {
    std::string line;
    V words;
  } cases[] = {
      {"qvxupdate.exe QUJD 0", {"qvxupdate.exe", "QUJD", "0"}},
      {"\"C:\\Program Files\\qvx\\qvxupdate.exe\" QUJD", {"C:\\Program Files\\qvx\\qvxupdate.exe", "QUJD"}},
      {"  a\t\tb\r\n c  ", {"a", "b", "c"}},
      {"a\x01" "b", {"a", "b"}},  // control characters separate too
      {"x a\"b c\"d", {"x", "ab cd"}},
      {"x \"\" y", {"x", "y"}},
      {"x \"\"\"\" y", {"x", "y"}},
      {"x \"\"z", {"x", "z"}},
      {"x \"open ended", {"x", "open ended"}},
      {"x \"\" ", {"x"}},
      {"", {}},
      {"   ", {}},
      {std::string("a b\0c", 5), {"a", "b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;
}

}  // namespace
}  // namespace qvx
