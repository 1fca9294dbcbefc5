#include "platform/file_moves.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/file_system.h"
#include "platform/replacement_file.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

using test::TTempFolder;

// A move never replaces anything and moves only files; a refused one leaves both names as they
// were. The same on both back ends.
TEST(FileMoves, AMoveNeverReplacesAndMovesOnlyFiles) {
  struct Case {
    const char* name;
    const char* from;
    const char* to;
    bool moved;
  } cases[] = {
      {"to a free name", "a.txt", ".a.txt.qvxold", true},
      {"into place from a staged name", ".b.txt.staged.qvxnew", "new.txt", true},
      {"onto a file", "a.txt", "b.txt", false},
      {"onto a folder", "a.txt", "sub", false},
      {"onto an empty folder", "a.txt", "empty", false},
      {"a missing file", "missing.txt", "c.txt", false},
      {"a folder", "sub", "moved-sub", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTempFolder dir;
    dir.Write("a.txt", "a");
    dir.Write("b.txt", "b");
    dir.Write(".b.txt.staged.qvxnew", "staged");
    dir.Write("sub\\inside.txt", "i");
    CreateFolder(dir.At("empty"));
    const std::string before = dir.List();
    if (c.moved) {
      const std::string bytes = dir.Read(c.from);
      MoveFileNoReplace(dir.At(c.from), dir.At(c.to));
      EXPECT_FALSE(dir.Exists(c.from));
      EXPECT_EQ(dir.Read(c.to), bytes);
    } else {
      EXPECT_THROW(MoveFileNoReplace(dir.At(c.from), dir.At(c.to)), EOSError);
      EXPECT_EQ(dir.List(), before);
      EXPECT_EQ(dir.Read("b.txt"), "b");
      EXPECT_EQ(dir.List("sub"), "inside.txt");
    }
  }
}

TEST(FileMoves, FlushesReachExistingFilesAndFoldersOnly) {
  TTempFolder dir;
  dir.Write("a.txt", "a");
  EXPECT_NO_THROW(FlushFile(dir.At("a.txt")));
  EXPECT_NO_THROW(FlushFolder(dir.Path()));
  EXPECT_THROW(FlushFile(dir.At("missing.txt")), EOSError);
}

// A staged file is complete at its name, the target untouched, and it stays when the object goes;
// an earlier staged file of the same name is replaced.
TEST(FileMoves, AReplacementFileLeftStagedKeepsTheTargetAndItsBytes) {
  TTempFolder dir;
  dir.Write("app.exe", "old");
  dir.Write(".app.exe.staged.qvxnew", "from an earlier run");
  {
    TReplacementFile file(dir.At("app.exe"));
    file.Write("new", 3);
    file.Stage(dir.At(".app.exe.staged.qvxnew"));
  }
  EXPECT_EQ(dir.Read("app.exe"), "old");
  EXPECT_EQ(dir.Read(".app.exe.staged.qvxnew"), "new");
  EXPECT_EQ(dir.List(), ".app.exe.staged.qvxnew app.exe");
}

}  // namespace
}  // namespace qvx
