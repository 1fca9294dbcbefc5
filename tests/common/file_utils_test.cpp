#include "common/file_utils.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/temp_folder.h"

namespace qvx {
namespace {

using test::LocalToUtc;
using test::TTempFolder;

std::string Names(const TFindFilesDynArray& found) {
  std::string out;
  for (const auto& f : found) out += (out.empty() ? "" : " ") + f.Name;
  return out;
}

std::string SortedNames(TFindFilesDynArray found) {
  std::sort(found.begin(), found.end(),
            [](const TFindFiles& a, const TFindFiles& b) { return a.Name < b.Name; });
  return Names(found);
}

TEST(FindFilesInFolder, ReportsLocalTimeCutToEvenSecondsAndSize) {
  TTempFolder dir;
  const std::string odd = dir.Write("odd.dat", "12345");
  const std::string even = dir.Write("even.dat", "");
  test::SetLastWriteTimeUtc(odd, LocalToUtc(2019, 5, 6, 10, 20, 31));
  test::SetLastWriteTimeUtc(even, LocalToUtc(2020, 2, 29, 23, 59, 58));

  TFindFilesDynArray found = FindFilesInFolder(dir.Path(), "odd.dat");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Name, "odd.dat");
  EXPECT_EQ(found[0].Size, 5);
  EXPECT_NEAR(found[0].Timestamp, ComposeDateTime(2019, 5, 6, 10, 20, 30, 0), 1e-9);

  found = FindFilesInFolder(dir.Path(), "EVEN.DAT");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Name, "even.dat");
  EXPECT_EQ(found[0].Size, 0);
  EXPECT_NEAR(found[0].Timestamp, ComposeDateTime(2020, 2, 29, 23, 59, 58, 0), 1e-9);
}

TEST(FindFilesInFolder, SkipsFoldersAndHiddenFilesAndJoinsPatterns) {
  TTempFolder dir;
  dir.Write("a.txt", "a");
  dir.Write("b.TXT", "b");
  dir.Write("c.ini", "c");
  dir.Write("ab.txt", "ab");
  dir.Write("folder.txt\\inside", "x");
  const std::string hidden = test::MakeHiddenFile(dir.Path(), "h.txt");

  struct Case {
    std::string folder, pattern, names;
  } cases[] = {
      {dir.Path(), "*.txt", "a.txt ab.txt b.TXT"},
      {dir.Path(), "?.txt", "a.txt b.TXT"},
      {dir.Path(), "*", "a.txt ab.txt b.TXT c.ini"},
      {dir.Path(), "*.*", "a.txt ab.txt b.TXT c.ini"},
      {dir.Path(), "folder.txt", ""},
      {dir.Path(), hidden, ""},
      {dir.Path(), "nothing*", ""},
      {dir.Path(), "", ""},
      {dir.At("no-such-folder"), "*", ""},
      // Without the trailing delimiter the folder gets one.
      {dir.Path().substr(0, dir.Path().size() - 1), "c.ini", "c.ini"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SortedNames(FindFilesInFolder(c.folder, c.pattern)), c.names) << c.pattern;
  }
  // Each piece is searched in turn and the results follow in that order; empty pieces go.
  EXPECT_EQ(Names(FindFilesInFolder(dir.Path(), "c.ini;;a.txt;")), "c.ini a.txt");
  EXPECT_EQ(Names(FindFilesInFolder(dir.Path(), "a.txt;A.TXT")), "a.txt a.txt");
}

TEST(FileIsPresent, NeedsAFileWithATimeOfTheTwoSecondFormat) {
  TTempFolder dir;
  const std::string file = dir.Write("Tool.exe", "x");
  const std::string old = dir.Write("old.dat", "x");
  test::SetLastWriteTimeUtc(old, LocalToUtc(1975, 6, 1, 12, 0, 0));
  dir.Write("sub\\x", "x");

  struct Case {
    std::string path;
    bool present;
  } cases[] = {
      {file, true},
      {dir.Path() + "tool.EXE", true},
      {dir.Path() + "T*.exe", true},
      {dir.Path() + "Tool.ex?", true},
      {dir.At("sub"), false},
      {dir.Path(), false},
      {dir.At("missing.exe"), false},
      {dir.At("missing\\Tool.exe"), false},
      {old, false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(FileIsPresent(c.path), c.present) << c.path;
}

}  // namespace
}  // namespace qvx
