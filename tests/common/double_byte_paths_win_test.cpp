// Installation folders with Chinese names: in code page 936 the second byte of a character may
// be the byte of "\" (0x5C), and it is no delimiter. These cases need that code page, which Wine
// takes from a Chinese locale (scripts/wine-tests.sh runs them so); in any other they are skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/path_names.h"

namespace qvx {
namespace {

TEST(DoubleBytePaths, TheSecondByteOfACharacterIsNoDelimiter) {
  if (GetACP() != 936) GTEST_SKIP() << "needs the ANSI code page 936, not " << GetACP();
  const std::string c = "\x81\x5C";  // one character; its second byte is that of "\"
  struct Case {
    std::string path, folder, name;
  } cases[] = {
      {"C:\\" + c + "\\" + c + ".exe", "C:\\" + c + "\\", c + ".exe"},
      {c, "", c},
      {c + c, "", c + c},
      {"data\\" + c + "x", "data\\", c + "x"},
      {c + "\\" + c, c + "\\", c},
      {"a\\\x81", "a\\", "\x81"},  // a first byte at the end
      {"\x81\\\\x", "\x81\\\\", "x"},  // the character, then a real "\"
  };
  for (const auto& k : cases) {
    EXPECT_EQ(FolderOfPath(k.path), k.folder) << k.path;
    EXPECT_EQ(NameOfPath(k.path), k.name) << k.path;
  }
}

}  // namespace
}  // namespace qvx
