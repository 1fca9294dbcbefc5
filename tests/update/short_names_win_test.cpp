// A listed entry may name an installed file by the 8.3 short name Windows gives it as well
// ("LONGFI~1.TXT"); the kept-file rule decides on the long name of the file that exists.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/launch_facts.h"
#include "startup/globals.h"
#include "support/temp_folder.h"
#include "update/update_list_rules.h"

namespace qvx {
namespace {

// The final name of the short path Windows gives an existing file.
std::string ShortFinalName(const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  const std::string shortPath = n == 0 || n >= MAX_PATH ? path : std::string(buffer, n);
  return shortPath.substr(shortPath.find_last_of('\\') + 1);
}

TEST(ShortNames, AListedShortNameIsDecidedOnTheLongNameOfTheFileThatExists) {
  test::TTempFolder dir;
  AppPath = dir.Path();
  const std::string shortLong = ShortFinalName(dir.Write("data\\long file name.txt", "x"));
  // "remote.db.x" is no kept file, though its short name begins like one and ends in ".X".
  const std::string shortNear = ShortFinalName(dir.Write("remote.db.x", "x"));
  ASSERT_NE(shortLong.find('~'), std::string::npos) << shortLong;
  ASSERT_NE(shortNear.find('~'), std::string::npos) << shortNear;
  dir.Write("data\\remote.db", "the user's");

  const struct {
    std::string Entry, Resolved;
  } cases[] = {
      {"data\\" + shortLong, "long file name.txt"},
      {"data/" + shortLong, "long file name.txt"},
      {shortNear, "remote.db.x"},
      {"data\\LONGER~9.TXT", "LONGER~9.TXT"},  // nothing there: the name as written
      {"data\\remote.db", "remote.db"},
      {"a~b/x~1", "x~1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolvedFinalName(c.Entry), c.Resolved) << c.Entry;
    EXPECT_EQ(ReachesKeptDataFile(c.Entry), c.Resolved == "remote.db") << c.Entry;
  }
  AppPath.clear();
}

// The updater's own file reached through the short name Windows gives it, in whatever form the
// entry writes it, and an updater started through its short name.
TEST(ShortNames, TheUpdatersOwnFileIsKnownByItsShortNameAsWell) {
  test::TTempFolder dir;
  AppPath = dir.Path();
  const std::string own = dir.Write("qvxupdate.exe", "the running updater");
  const std::string shortOwn = ShortFinalName(own);
  ASSERT_NE(shortOwn.find('~'), std::string::npos) << shortOwn;
  dir.Write("data\\x.ini", "x");

  const struct {
    std::string Entry;
    bool Reaches;
  } cases[] = {
      {shortOwn, true},
      {".\\" + shortOwn, true},
      {shortOwn + ".", true},
      {"data\\..\\" + shortOwn, true},
      {"data/../" + shortOwn + " .", true},
      {"data\\" + shortOwn, false},  // no such file there: its name as written, elsewhere
  };
  for (const std::string& started : {own, dir.Path() + shortOwn}) {
    SetExecutablePath(started);
    EXPECT_EQ(UpdaterFileName(), "qvxupdate.exe") << started;
    for (const auto& c : cases) {
      EXPECT_EQ(ReachesUpdaterFile(c.Entry), c.Reaches) << c.Entry << " from " << started;
      EXPECT_EQ(NamesUpdaterFile(c.Entry), c.Reaches) << c.Entry << " from " << started;
    }
  }
  SetExecutablePath("");
  AppPath.clear();
}

}  // namespace
}  // namespace qvx
