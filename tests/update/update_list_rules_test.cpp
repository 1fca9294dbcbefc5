// The date rule and the local version record.
#include "update/update_list_rules.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "platform/launch_facts.h"
#include "startup/globals.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

using test::LocalToUtc;

class UpdateListRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { AppPath = FFolder.Path(); }
  // A file below AppPath last written at the local time given.
  void Local(const std::string& relative, uint16_t h, uint16_t mi, uint16_t s) {
    test::SetLastWriteTimeUtc(FFolder.Write(relative, "x"), LocalToUtc(2015, 3, 20, h, mi, s));
  }
  test::TTempFolder FFolder;
};

TEST_F(UpdateListRulesTest, LocalFileTime) {
  Local("data\\x.ini", 10, 3, 1);
  EXPECT_NEAR(GetLocalFileTime("data\\x.ini"), ComposeDateTime(2015, 3, 20, 10, 3, 0, 0), 1e-9);
  EXPECT_EQ(GetLocalFileTime("data\\missing.ini"), 0);
  EXPECT_EQ(GetLocalFileTime(test::MakeHiddenFile(FFolder.Path(), "h.ini")), 0);
}

TEST_F(UpdateListRulesTest, DateRule) {
  Local("at1003.dat", 10, 3, 0);
  Local("at0959.dat", 9, 59, 0);
  Local("at1005odd.dat", 10, 5, 1);  // seen as 10:05:00
  const std::string hidden = test::MakeHiddenFile(FFolder.Path(), "hidden.dat");
  struct Case {
    const char* file;
    const char* date;
    bool newer;
  } cases[] = {
      {"at1003.dat", "2015-3-20-10-5-0", false},   // 10:00 is not later than 10:03
      {"at0959.dat", "2015-3-20-10-5-0", true},
      {"at1005odd.dat", "2015-3-20-10-10-1", true},  // two-second precision on disk
      {"at1003.dat", "2015-3-20-10-7-59", false},  // five minutes on: exact, in whole seconds
      {"at1003.dat", "2015-3-20-10-8-0", false},   // equal is not newer
      {"at1003.dat", "2015-03-20-10-08-01", true},
      {"at1005odd.dat", "2015-3-20-10-10-0", false},
      {"at1003.dat", "$7DF-3-20-10-9-0", true},    // the integer rule reads hex
      {"missing.dat", "letters", true},             // missing: newer, whatever the text
      {"missing.dat", "2015-13-20-10-5-0", true},
      {hidden.c_str(), "2000-1-1-0-0-0", true},     // hidden counts as missing
      {"missing.dat", "", false},                   // no date: never
      {"", "2015-3-20-10-5-0", false},
      {"at0959.dat", "2015-3-20", false},           // not six numbers
      {"at0959.dat", "2015-3-20-10-5-0-0", false},
      {"at0959.dat", "2015-3-20|10-5-0", false},    // "|" refused
      {"at0959.dat", "2015-3-20-10- 5-0", true},    // a blank before a number is fine
      {"at0959.dat", "2015-3-20-10-5 -0", false},   // after one it is not
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsServerFileNewer(c.file, c.date), c.newer) << c.file << " " << c.date;
  }
}

TEST_F(UpdateListRulesTest, AnImpossibleDateOfAnExistingFileIsAnError) {
  Local("at1003.dat", 10, 3, 0);
  for (const char* date : {"2015-13-20-10-5-0", "2015-x-20-10-5-0", "2015-2-30-10-5-0",
                           "2015-3-20-24-0-0", "0-3-20-10-5-0", "2015-3-20-10-5-60"}) {
    try {
      IsServerFileNewer("at1003.dat", date);
      ADD_FAILURE() << date << " was accepted";
    } catch (const EConvertError& e) {
      EXPECT_NE(std::string(e.what()).find("is not a valid date and time"), std::string::npos)
          << e.what();
    }
  }
}

// The updater's own file and the kept data files are decided on the path Windows opens, not on
// the text of the entry.
TEST_F(UpdateListRulesTest, EntriesAreDecidedOnThePathWindowsOpens) {
  SetExecutablePath(FFolder.At("qvxupdate.exe"));
  const struct {
    const char* Entry;
    const char* Resolved;
    bool NamesUpdater, ReachesUpdater;
  } cases[] = {
      {"qvxupdate.exe", "qvxupdate.exe", true, true},
      {".\\qvxupdate.exe", "qvxupdate.exe", true, true},
      {"./QVXUPDATE.EXE", "QVXUPDATE.EXE", true, true},
      {"qvxupdate.exe.", "qvxupdate.exe", true, true},
      {"qvxupdate.exe. .", "qvxupdate.exe", true, true},
      {"qvxupdate.exe\\.", "qvxupdate.exe", true, true},
      {"data\\..\\qvxupdate.exe", "qvxupdate.exe", true, true},
      {"data//x\\.. \\..\\qvxupdate.exe", "qvxupdate.exe", true, true},
      {"bin\\qvxupdate.exe", "bin\\qvxupdate.exe", true, false},
      {"data/qvxupdate.exe", "data\\qvxupdate.exe", true, false},
      {"..\\qvxupdate.exe", "..\\qvxupdate.exe", true, false},  // climbs out: not this file
      {"data\\..\\..\\qvxupdate.exe", "..\\qvxupdate.exe", true, false},
      {"qvxupdate.exe.bak", "qvxupdate.exe.bak", false, false},
      {"qvxupdate.exe\\x", "qvxupdate.exe\\x", false, false},
      {"data.\\.\\x.ini ", "data\\x.ini", false, false},
      {"", "", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolvedEntryPath(c.Entry), c.Resolved) << c.Entry;
    EXPECT_EQ(NamesUpdaterFile(c.Entry), c.NamesUpdater) << c.Entry;
    EXPECT_EQ(ReachesUpdaterFile(c.Entry), c.ReachesUpdater) << c.Entry;
  }
  // A kept data file reached through a dot segment after its name.
  EXPECT_TRUE(ReachesKeptDataFile("data\\remote.db\\."));
  SetExecutablePath("");
}

TEST_F(UpdateListRulesTest, AppInfoKeepsOtherLinesAndIsCreated) {
  std::filesystem::create_directory(FFolder.At("data"));
  WriteAppInfo("AppDate", "2015-3-20");
  EXPECT_EQ(FFolder.Read("data\\App.info"), "AppDate=2015-3-20\r\n");

  FFolder.Write("data\\App.info", "a=1\r\nappdate=old\r\nb=2");
  WriteAppInfo("AppDate", "x");
  EXPECT_EQ(FFolder.Read("data\\App.info"), "a=1\r\nAppDate=x\r\nb=2\r\n");
  WriteAppInfo("AppDate", "");
  EXPECT_EQ(FFolder.Read("data\\App.info"), "a=1\r\nb=2\r\n");
}

TEST_F(UpdateListRulesTest, AppInfoWithoutItsFolderFailsWithTheCreateMessage) {
  try {
    WriteAppInfo("AppDate", "x");
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + FFolder.Path(), 0), 0u)
        << e.what();
  }
  EXPECT_FALSE(FFolder.Exists("data"));
}

}  // namespace
}  // namespace qvx
