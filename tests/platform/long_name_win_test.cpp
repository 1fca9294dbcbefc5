// Windows gives a name that is not 8.3 a short one as well ("LONGFI~1.TXT"); both reach the file.
#include "platform/long_name.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "support/temp_folder.h"

namespace qvx {
namespace {

std::string ShortPathName(const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? path : std::string(buffer, n);
}

TEST(LongPathName, AShortNameComesBackAsTheLongNameOfWhatExists) {
  test::TTempFolder dir;
  const std::string file = dir.Write("Program Data\\long file name.txt", "x");
  const std::string shortFile = ShortPathName(file);
  ASSERT_NE(shortFile, file) << "no short names in " << dir.Path();
  ASSERT_NE(shortFile.find('~'), std::string::npos) << shortFile;
  EXPECT_EQ(LongPathName(shortFile), file);
  EXPECT_EQ(LongPathName(ShortPathName(dir.At("Program Data"))), dir.At("Program Data"));
  EXPECT_EQ(LongPathName(file), file);
}

TEST(LongPathName, WhatDoesNotExistStaysAsWritten) {
  test::TTempFolder dir;
  dir.Write("Program Data\\long file name.txt", "x");
  const std::string shortFolder = ShortPathName(dir.At("Program Data"));
  for (const std::string& path : {shortFolder + "\\MISSIN~1.TXT", dir.At("NOFILE~1.DB"),
                                  std::string()}) {
    EXPECT_EQ(LongPathName(path), path);
  }
}

}  // namespace
}  // namespace qvx
