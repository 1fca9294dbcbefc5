#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "base/errors.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

using test::TTempFolder;

TEST(WholeFile, WriteThenReadKeepsEveryByteAndLeavesNoTemporaryFile) {
  TTempFolder dir;
  const std::string path = dir.At("f.bin");
  const std::string cases[] = {std::string("a\0b\r\n\xff", 6), "", std::string(200000, 'z'),
                               "short"};
  for (const auto& bytes : cases) {
    WriteWholeFile(path, bytes);
    EXPECT_EQ(ReadWholeFile(path), bytes);
    EXPECT_EQ(dir.List(), "f.bin");
  }
}

TEST(WholeFile, FailedWritesLeaveTheOldFileAndNoNewOne) {
  TTempFolder dir;
  EXPECT_THROW(WriteWholeFile(dir.At("missing\\f.txt"), "x"), EOSError);
  EXPECT_FALSE(dir.Exists("missing"));

  const std::string kept = dir.Write("ro.txt", "old");
  test::SetReadOnly(kept, true);
  try {
    WriteWholeFile(kept, "new");
    ADD_FAILURE() << "a read-only file was replaced";
  } catch (const EOSError& e) {
    EXPECT_FALSE(e.Message().empty());
  }
  test::SetReadOnly(kept, false);
  EXPECT_EQ(dir.Read("ro.txt"), "old");

  dir.Write("sub\\inner.txt", "x");
  EXPECT_THROW(WriteWholeFile(dir.At("sub"), "x"), EOSError);  // a folder is not replaced
  EXPECT_EQ(dir.List(), "ro.txt sub");
}

TEST(WholeFile, ReadingWhatIsNoFileFails) {
  TTempFolder dir;
  dir.Write("sub\\x", "x");
  for (const std::string& path : {dir.At("nothing.txt"), dir.At("sub"), dir.At("no\\such.txt")}) {
    try {
      ReadWholeFile(path);
      ADD_FAILURE() << path;
    } catch (const EOSError& e) {
      EXPECT_FALSE(e.Message().empty()) << path;
      EXPECT_NE(e.Message().back(), '\n');
    }
  }
}

TEST(FileLayer, ExistenceDeletionAndFolders) {
  TTempFolder dir;
  const std::string file = dir.Write("f.txt", "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_TRUE(FolderExists(dir.Path()));

  CreateFolder(dir.At("new"));
  CreateFolder(dir.At("new"));  // already there: fine
  EXPECT_TRUE(FolderExists(dir.At("new")));
  EXPECT_THROW(CreateFolder(file), EOSError);
  EXPECT_THROW(CreateFolder(dir.At("a\\b")), EOSError);  // one level only

  test::SetReadOnly(file, true);  // Windows refuses to delete a read-only file
  EXPECT_THROW(DeleteFileAt(file), EOSError);
  EXPECT_TRUE(FileExists(file));
  test::SetReadOnly(file, false);
  DeleteFileAt(file);
  EXPECT_FALSE(FileExists(file));
  EXPECT_THROW(DeleteFileAt(file), EOSError);
  EXPECT_THROW(DeleteFileAt(dir.At("new")), EOSError);
  EXPECT_TRUE(FolderExists(dir.At("new")));
}

// Program paths spell folders with "\" and in any letter case; the files on disk keep theirs.
TEST(FileLayer, FindsNamesWrittenWithBackslashesInAnyCase) {
  TTempFolder dir;
  dir.Write("Data/app.info", "AppDate=1");
  EXPECT_TRUE(FileExists(dir.Path() + "data\\App.info"));
  EXPECT_TRUE(FileExists(dir.Path() + "DATA\\APP.INFO"));
  EXPECT_TRUE(FolderExists(dir.Path() + "dAtA\\"));
  EXPECT_EQ(ReadWholeFile(dir.Path() + "data\\App.info"), "AppDate=1");

  WriteWholeFile(dir.Path() + "data\\App.info", "AppDate=2");
  WriteWholeFile(dir.Path() + "DATA\\new.txt", "n");
  EXPECT_EQ(dir.List("Data"), "app.info new.txt");
  EXPECT_EQ(dir.Read("Data/app.info"), "AppDate=2");

  DeleteFileAt(dir.Path() + "data\\NEW.TXT");
  EXPECT_EQ(dir.List("Data"), "app.info");
  EXPECT_FALSE(FileExists(dir.Path() + "data\\app.info\\x"));
}

// Names are looked up in a kept listing of each folder; a change made behind the program's back,
// by another process or by plain system calls, must show at the very next lookup.
TEST(FileLayer, NamesChangedByOthersShowAtOnce) {
  TTempFolder dir;
  dir.Write("Data/a.txt", "a");
  const std::string asked = dir.Path() + "data\\NEW.TXT";
  EXPECT_FALSE(FileExists(asked));

  dir.Write("Data/new.txt", "n");
  EXPECT_TRUE(FileExists(asked));
  ASSERT_EQ(std::rename(dir.At("Data/new.txt").c_str(), dir.At("Data/Other.txt").c_str()), 0);
  EXPECT_FALSE(FileExists(asked));
  EXPECT_EQ(ReadWholeFile(dir.Path() + "DATA\\other.TXT"), "n");
  ASSERT_EQ(std::remove(dir.At("Data/Other.txt").c_str()), 0);
  EXPECT_FALSE(FileExists(dir.Path() + "data\\other.txt"));

  // The folder itself replaced: the same path now names another folder.
  ASSERT_EQ(std::rename(dir.At("Data").c_str(), dir.At("Old").c_str()), 0);
  dir.Write("Data/NEW.txt", "again");
  EXPECT_EQ(ReadWholeFile(asked), "again");
  EXPECT_FALSE(FileExists(dir.Path() + "data\\a.txt"));
  EXPECT_TRUE(FileExists(dir.Path() + "old\\A.TXT"));

#ifndef _WIN32
  // Two names that differ only in case: removing one leaves the other to be found.
  dir.Write("Data/new.TXT", "second");
  ASSERT_EQ(std::remove(dir.At("Data/NEW.txt").c_str()), 0);
  EXPECT_EQ(ReadWholeFile(asked), "second");
#endif
}

}  // namespace
}  // namespace qvx
