// Removal lines across a run of publications into one folder: a file a release drops is listed
// as removed in that list and every later one, with every content ever published for it, until
// a release has it again or the publisher forgets it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/list_removals.h"
#include "common/string_list.h"
#include "platform/crypto.h"
#include "publish_fixture.h"
#include "startup/globals.h"
#include "support/test_installation.h"
#include "support/test_web_server.h"
#include "support/worker_run.h"

namespace qvx {
namespace {

// The removals of the published list as "path=hash,hash" lines.
std::vector<std::string> Removals(const fs::path& out) {
  TStringList list;
  list.SetText(ReadFileBytes(out / "up.txt"));
  std::vector<std::string> lines;
  for (const TListedRemoval& r : ListedRemovals(list)) {
    std::string line = r.Path + "=";
    for (size_t i = 0; i < r.Hashes.size(); ++i) line += (i ? "," : "") + r.Hashes[i];
    lines.push_back(line);
  }
  return lines;
}

using Lines = std::vector<std::string>;

TEST_F(PublishTest, RemovalsAreCarriedUntilTheFileComesBackOrIsForgotten) {
  const std::string v1 = Sha256HexOf("old 1"), v2 = Sha256HexOf("old 2"), b = Sha256HexOf("b");
  Put("qvxtool.exe", "tool");
  Put("plugins/old.dll", "old 1");
  Put("data/b.ini", "b");
  Put("data/remote.db", "the user's");  // never published, so never removed
  ASSERT_EQ(Publish().Code, 0);
  EXPECT_EQ(Removals(Out()), Lines{});

  // Release 2 drops the plug-in and the tool (which no removal may name).
  fs::remove(Release() / "plugins/old.dll");
  fs::remove(Release() / "qvxtool.exe");
  TRunResult r = Publish();
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(Removals(Out()), Lines{"plugins\\old.dll=" + v1});
  EXPECT_NE(r.Out.find("removed plugins"), std::string::npos) << r.Out;

  // Release 3 drops data\b.ini; the plug-in's removal is carried.
  fs::remove(Release() / "data/b.ini");
  Put("a.txt", "a");
  ASSERT_EQ(Publish().Code, 0);
  EXPECT_EQ(Removals(Out()), (Lines{"data\\b.ini=" + b, "plugins\\old.dll=" + v1}));

  // Release 4 has the plug-in again, changed: no removal names a file the list installs.
  Put("plugins/old.dll", "old 2");
  r = Publish();
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(Removals(Out()), Lines{"data\\b.ini=" + b});
  EXPECT_EQ(Run({"--check", Out().u8string()}).Code, 0);

  // Dropped once more: the list knows the content it last published. Release 1's content went
  // with the removal that release 4 had to drop.
  fs::remove(Release() / "plugins/old.dll");
  ASSERT_EQ(Publish().Code, 0);
  EXPECT_EQ(Removals(Out()), (Lines{"data\\b.ini=" + b, "plugins\\old.dll=" + v2}));

  // Forgotten for good: the next publication does not bring it back.
  r = Publish({"--forget", "data/B.INI", "--forget", "nothing.txt"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(Removals(Out()), Lines{"plugins\\old.dll=" + v2});
  EXPECT_NE(r.Err.find("--forget nothing.txt: no removal"), std::string::npos) << r.Err;
  ASSERT_EQ(Publish().Code, 0);
  EXPECT_EQ(Removals(Out()), Lines{"plugins\\old.dll=" + v2});
}

TEST_F(PublishTest, ARemovalKeepsEveryHashItWasListedWith) {
  // A hand-made list that already removes the plug-in with one content, while naming another.
  Put("a.txt", "a");
  fs::create_directories(Out());
  const std::string old1 = Sha256HexOf("old 1"), old2 = Sha256HexOf("old 2");
  std::ofstream(Out() / "up.txt", std::ios::binary)
      << "softid=1\r\nfilecount=2\r\nfilename0=a.txt\r\nfilename1=plugins\\old.dll\r\nfilehash1="
      << old2 << "\r\nremoved7=plugins\\OLD.DLL\r\nremovedhash7=" << old1 << ",NOHASH\r\n"
      << "removed8=data\\App.info\r\nremovedhash8=" << old1 << "\r\n";
  const TRunResult r = Publish();
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(Removals(Out()), Lines{"plugins\\OLD.DLL=" + old1 + "," + old2});
  EXPECT_NE(r.Out.find("no removal of data\\App.info"), std::string::npos) << r.Out;
}

TEST_F(PublishTest, TheUpdatersFileIsPublishedAndItsAbsenceWarnedOf) {
  Put("readme.txt", "r");
  Put("qvxupdate.exe", "updater 2");
  TRunResult r = Publish();
  ASSERT_EQ(r.Code, 0) << r.Err;
  TStringList list;
  list.SetText(ReadFileBytes(Out() / "up.txt"));
  EXPECT_EQ(list.ValueOf("filename0"), "qvxupdate.exe");
  EXPECT_EQ(list.ValueOf("filehash0"), Sha256HexOf("updater 2"));
  EXPECT_EQ(ReadFileBytes(Out() / "qvxupdate.exe"), "updater 2");

  // Left out on request: a warning, and no removal of the updater.
  r = Publish({"--exclude", "QVXUPDATE.EXE"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_NE(r.Err.find("warning: the older list named qvxupdate.exe and this one does not"),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(Removals(Out()), Lines{});
  list.SetText(ReadFileBytes(Out() / "up.txt"));
  EXPECT_EQ(list.ValueOf("filecount"), "1");
}

// An installation of the first release updated straight to the third: the file the second
// dropped goes, although the list it is updated from is not the one that dropped it.
TEST_F(PublishTest, AnInstallationThatSkippedTheReleaseThatDroppedAFileLosesIt) {
  test::TestWebServer* server = WebServer();
  ASSERT_NE(server, nullptr);
  const fs::path served = ServedFolder(*server, "publish-removals");
  test::TTestInstallation install;
  test::PrepareWorkerRuns({20, 10, 10000});
  install.Enter();
  Put("a.txt", "a 1");
  Put("plugins/old.dll", "old");
  ASSERT_EQ(Run({Release().u8string(), served.u8string(), "--softid", "1"}).Code, 0);
  // The first release as installed.
  install.Write("a.txt", "a 1");
  install.Write("plugins\\old.dll", "old");
  install.Write("plugins\\mine.ini", "the user's");

  fs::remove(Release() / "plugins/old.dll");
  ASSERT_EQ(Run({Release().u8string(), served.u8string(), "--softid", "2"}).Code, 0);
  Put("a.txt", "a 3");
  ASSERT_EQ(Run({Release().u8string(), served.u8string(), "--softid", "3"}).Code, 0);

  UpdateBaseUrl = server->BaseUrl() + "publish-removals/";
  test::TRecordingStatusSink sink;
  const std::vector<std::string> lines = test::RunWorker(sink);
  EXPECT_THAT(lines, ::testing::Contains("Removed \"plugins\\old.dll\" (no longer part of the tool)."));
  EXPECT_FALSE(install.Exists("plugins\\old.dll"));
  EXPECT_EQ(install.Read("plugins\\mine.ini"), "the user's");
  EXPECT_EQ(install.Read("a.txt"), "a 3");
  install.Leave();
  SetWorkerPausesForTesting({});
  fs::remove_all(served);
}

}  // namespace
}  // namespace qvx
