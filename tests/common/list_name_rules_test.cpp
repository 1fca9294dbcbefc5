// The name rules of an update list, shared by the updater and the publisher.
#include "common/list_name_rules.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(ListNameRules, KeptDataFiles) {
  for (const char* name : {"keysData.rif", "KEYSDATA.RIF", "remote.db", "Remote.DB", "data\\remote.db",
                           "data/remote.db", "remote.db.", "remote.db ", "keysData.rif. .",
                           "data/sub\\KeysData.rif."}) {
    EXPECT_TRUE(IsKeptDataFile(name)) << name;
  }
  for (const char* name : {"keysData.rif.bak", "remote.db2", "remote.db.x", ".remote.db", "", "x.ini"}) {
    EXPECT_FALSE(IsKeptDataFile(name)) << name;
  }
}

TEST(ListNameRules, UnsafeRelativeNames) {
  for (const char* name : {"..\\x", "a\\..\\..\\x", "a/../x", "\\x", "/x", "\\\\server\\share\\x",
                           "C:x", "x:stream", "a\\...\\x", "a\\.. \\x", ".."}) {
    EXPECT_TRUE(IsUnsafeRelativeName(name)) << name;
  }
  for (const char* name : {"", "x.ini", "data\\x.ini", "..x", "x..", "a\\.x\\b", "a\\. \\b"}) {
    EXPECT_FALSE(IsUnsafeRelativeName(name)) << name;
  }
}

// The tool is known by the name it was started under, or else by the executable name rule; the
// tool's path is an argument, so the rule reads no state of the program that applies it.
TEST(ListNameRules, ToolFile) {
  struct Case {
    const char* name;
    const char* toolPath;
    bool tool;
  } cases[] = {
      {"qvxtool.exe", "", true},
      {"bin\\qvxtool-old.EXE", "", true},
      {"qvxtool.chm", "", false},
      {"QVXTOOL.EXE", "", false},  // the name rule looks for the lower-case word
      {"QVXTOOL.EXE", "C:\\Tool\\qvxtool.exe", true},
      {"Renamed.exe", "C:\\Tool\\renamed.exe", true},
      {"renamed.exe", "", false},
      {"other.exe", "C:\\Tool\\renamed.exe", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsToolFile(c.name, c.toolPath), c.tool) << c.name << " / " << c.toolPath;
}

}  // namespace
}  // namespace qvx
