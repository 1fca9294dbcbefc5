#include "base/ascii_case.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(EqualTextIgnoreCase, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(EqualTextIgnoreCase("Remote.DB", "remote.db"));
  EXPECT_FALSE(EqualTextIgnoreCase("abc", "abcd"));
  EXPECT_FALSE(EqualTextIgnoreCase("\xe4", "\xc4"));  // no folding above 127
  EXPECT_FALSE(EqualTextIgnoreCase("[", "{"));
}

TEST(UpperAscii, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperAscii("http/1.1 a-z[{"), "HTTP/1.1 A-Z[{");
  EXPECT_EQ(LowerAscii("Content-LENGTH@"), "content-length@");
  EXPECT_EQ(UpperAscii("\xe4\xfe"), "\xe4\xfe");  // letters of the code page stay
}

}  // namespace
}  // namespace qvx
