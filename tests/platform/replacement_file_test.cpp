#include "platform/replacement_file.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <thread>
#endif

#include "base/errors.h"
#include "platform/file_system.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

using test::TTempFolder;

TEST(ReplacementFile, TheTargetChangesOnlyAtCommit) {
  TTempFolder dir;
  dir.Write("app.exe", "old");
  {
    TReplacementFile file(dir.At("app.exe"));
    file.Write("ne", 2);
    file.Write("w!", 2);
    EXPECT_EQ(dir.Read("app.exe"), "old");
    EXPECT_TRUE(IsTemporaryFileName(file.TemporaryPath().substr(dir.Path().size())));
    EXPECT_EQ(dir.Read(file.TemporaryPath().substr(dir.Path().size())), "new!");
    file.Commit();
  }
  EXPECT_EQ(dir.Read("app.exe"), "new!");
  EXPECT_EQ(dir.List(), "app.exe");

  // Given up before the commit: the temporary file goes, the target stays as it was.
  {
    TReplacementFile file(dir.At("app.exe"));
    file.Write("half", 4);
  }
  {
    TReplacementFile file(dir.At("new.txt"));
    file.Write("x", 1);
  }
  EXPECT_EQ(dir.Read("app.exe"), "new!");
  EXPECT_EQ(dir.List(), "app.exe");

  // Two at once for the same target get different temporary files.
  TReplacementFile a(dir.At("app.exe")), b(dir.At("app.exe"));
  EXPECT_NE(a.TemporaryPath(), b.TemporaryPath());
}

TEST(ReplacementFile, RefusedTargetsCreateNothing) {
  TTempFolder dir;
  dir.Write("sub\\keep.txt", "k");
  const std::string readOnly = dir.Write("ro.txt", "old");
  test::SetReadOnly(readOnly, true);
  for (const std::string target : {"sub", "ro.txt", "missing\\f.txt"}) {
    EXPECT_THROW(TReplacementFile file(dir.At(target)), EOSError) << target;
  }
  test::SetReadOnly(readOnly, false);
  EXPECT_EQ(dir.List(), "ro.txt sub");
  EXPECT_EQ(dir.List("sub"), "keep.txt");
}

TEST(ReplacementFile, LeftoversAreOnlyThisProgramsTemporaryNames) {
  struct Case {
    const char* name;
    bool temporary;
  } cases[] = {
      {".app.exe.a1B2c3.qvxnew", true},
      {".data.x.000000.qvxnew", true},
      {".x.zzzzzz.qvxnew", true},
      {"app.exe.a1B2c3.qvxnew", false},   // no leading "."
      {"..a1B2c3.qvxnew", false},         // no target name
      {".app.exe.a1B2c.qvxnew", false},   // five characters
      {".app.exe.a1B2c3d.qvxnew", false},  // seven characters
      {".app.exe.a1-2c3.qvxnew", false},
      {".app.exe.a1B2c3.qvxnew.bak", false},
      {".app.exe.b1B2c3.QVXNEW", false},
      {".app.exe.XXXXXX", false},         // the naming of other programs' temporary files
      {"notes.txt", false},
      {".hidden", false},
  };
  TTempFolder dir;
  dir.Write("data\\.App.info.abc123.qvxnew", "left in a subfolder");
  for (const auto& c : cases) {
    EXPECT_EQ(IsTemporaryFileName(c.name), c.temporary) << c.name;
    dir.Write(c.name, "x");
  }
  EXPECT_EQ(TemporaryFileName("app.exe", "a1B2c3"), ".app.exe.a1B2c3.qvxnew");

  EXPECT_EQ(RemoveTemporaryLeftovers(dir.Path()), 3u);
  for (const auto& c : cases) EXPECT_EQ(dir.Exists(c.name), !c.temporary) << c.name;
  // Only the folder named is cleared, and a second pass finds nothing.
  EXPECT_TRUE(dir.Exists("data\\.App.info.abc123.qvxnew"));
  EXPECT_EQ(RemoveTemporaryLeftovers(dir.Path()), 0u);
  EXPECT_EQ(RemoveTemporaryLeftovers(dir.At("data\\")), 1u);
  EXPECT_EQ(dir.List("data"), "");
  EXPECT_EQ(RemoveTemporaryLeftovers(dir.At("missing\\")), 0u);
}

#ifdef _WIN32
TEST(ReplacementFile, ATargetHeldOpenForAMomentIsReplacedAfterItsRelease) {
  using Clock = std::chrono::steady_clock;
  struct Case {
    const char* name;
    int holdMs;  // how long another handle keeps the target open without sharing
    bool replaced;
  } cases[] = {
      {"released after 700 ms", 700, true},
      {"held for 8 s", 8000, false},
  };
  for (const auto& c : cases) {
    TTempFolder dir;
    dir.Write("app.exe", "old");
    HANDLE held = CreateFileA(dir.At("app.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << c.name;
    std::thread holder([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(c.holdMs));
      CloseHandle(held);
    });
    const auto start = Clock::now();
    bool committed = false;
    {
      TReplacementFile file(dir.At("app.exe"));
      file.Write("new", 3);
      try {
        file.Commit();
        committed = true;
      } catch (const EOSError&) {
        // The line the caller shows; the target is kept.
      }
    }
    const auto waited = Clock::now() - start;
    holder.join();
    EXPECT_EQ(committed, c.replaced) << c.name;
    EXPECT_EQ(dir.Read("app.exe"), c.replaced ? "new" : "old") << c.name;
    EXPECT_EQ(dir.List(), "app.exe") << c.name;
    // Given up after about five seconds, not at once and not after the holder let go.
    if (!c.replaced) {
      EXPECT_GE(waited, std::chrono::seconds(4)) << c.name;
    }
  }
}
#endif

}  // namespace
}  // namespace qvx
