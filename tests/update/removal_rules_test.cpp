// Which removal lines an installation carries out: only copies whose content the list names,
// and never the files that belong to the user, the updater or the tool.
#include "update/removal_rules.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/string_list.h"
#include "platform/crypto.h"
#include "platform/file_system.h"
#include "platform/launch_facts.h"
#include "startup/globals.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

class RemovalRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppPath = FFolder.Path();
    SetExecutablePath(FFolder.Write("qvxupdate.exe", "old"));
    ToolExePath = FFolder.Write("bin\\tool.exe", "old");
  }
  void TearDown() override {
    SetExecutablePath("");
    ToolExePath.clear();
  }
  test::TTempFolder FFolder;
};

TEST_F(RemovalRulesTest, OnlyAnUnchangedCopyOfAFileOfTheToolIsDeleted) {
  const std::string old = Sha256HexOf("old"), other = Sha256HexOf("other");
  FFolder.Write("plugins\\sub\\old.dll", "old");
  FFolder.Write("data\\a.ini", "old");
  FFolder.Write("changed.txt", "the user's");
  FFolder.Write("data\\remote.db", "old");
  FFolder.Write("qvxtool.exe", "old");
  FFolder.Write("data\\App.info", "old");
  FFolder.Write("data\\update.log", "old");
  FFolder.Write("listed.txt", "old");
  FFolder.Write("nohash.txt", "old");
  FFolder.Write("folder\\inside.txt", "old");
  const struct {
    std::string Path, Hashes;
    bool Deleted;
  } cases[] = {
      {"plugins\\sub\\old.dll", old, true},
      {"Plugins/SUB/old.dll", old, false},  // the same file again: deleted once
      {"data\\a.ini", other + "," + old, true},  // any of its contents
      {"changed.txt", old, false},
      {"missing.txt", old, false},
      {"data\\remote.db", old, false},
      {"..\\x", old, false},
      {"qvxtool.exe", old, false},
      {"bin\\tool.exe", old, false},  // ToolExePath, whatever its name
      {"qvxupdate.exe", old, false},
      {".\\qvxupdate.exe.", old, false},
      {"data\\App.info", old, false},
      {"data\\UPDATE.LOG ", old, false},
      {"folder", old, false},
      {"listed.txt", old, false},  // the same list installs it
      {"nohash.txt", "", false},
      {"", old, false},
  };
  TStringList list;
  list.Add("filecount=1");
  list.Add("filename0=LISTED.txt");
  std::vector<std::string> expected;
  for (size_t i = 0; i < std::size(cases); ++i) {
    list.Add("removed" + std::to_string(i) + "=" + cases[i].Path);
    list.Add("removedhash" + std::to_string(i) + "=" + cases[i].Hashes);
    if (cases[i].Deleted) expected.push_back(cases[i].Path);
  }
  const TRemovalChoice choice = ChooseRemovals(list);
  std::vector<std::string> deleted;
  for (const TRemovalTarget& t : choice.Delete) {
    deleted.push_back(t.Listed);
    EXPECT_TRUE(FileExists(t.Target)) << t.Target;
  }
  EXPECT_EQ(deleted, expected);
  EXPECT_EQ(choice.Lines,
            std::vector<std::string>{"Skipped the removal of \"..\\x\": the name leaves the installation folder."});
  EXPECT_EQ(choice.Folders, (std::vector<std::string>{AppPath + "plugins\\sub\\", AppPath + "plugins\\"}));
}

TEST_F(RemovalRulesTest, OnlyFoldersLeftEmptyGo) {
  FFolder.Write("plugins\\sub\\old.dll", "old");
  FFolder.Write("plugins\\mine.txt", "the user's");
  TStringList list;
  list.Add("removed0=plugins\\sub\\old.dll");
  list.Add("removedhash0=" + Sha256HexOf("old"));
  const TRemovalChoice choice = ChooseRemovals(list);
  ASSERT_EQ(choice.Delete.size(), 1u);
  std::filesystem::remove(FFolder.At("plugins\\sub\\old.dll"));
  RemoveEmptyFolders(choice.Folders);
  EXPECT_FALSE(FFolder.Exists("plugins\\sub"));
  EXPECT_EQ(FFolder.Read("plugins\\mine.txt"), "the user's");
}

}  // namespace
}  // namespace qvx
