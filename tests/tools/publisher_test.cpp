#include <gtest/gtest.h>

#include "common/file_utils.h"
#include "common/string_list.h"
#include "net/body_packer.h"
#include "net/body_unpack.h"
#include "platform/crypto.h"
#include "publish_fixture.h"
#include "qvxpublish/update_list_writer.h"

namespace qvx {
namespace {

TStringList LoadList(const fs::path& path) {
  TStringList list;
  list.SetText(ReadFileBytes(path));
  return list;
}

// The time the updater's own file search reports for a file.
TDateTime SearchTime(const fs::path& file) {
  const TFindFilesDynArray found =
      FindFilesInFolder(file.parent_path().string(), file.filename().string());
  return found.empty() ? 0 : found[0].Timestamp;
}

// A path below the release folder as the publisher's messages write it.
std::string Shown(std::string path) {
  for (char& c : path)
    if (c == '/') c = static_cast<char>(fs::path::preferred_separator);
  return path;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(PublishTest, WritesTheListSortedWithKeysCountsAndCrLf) {
  Put("qvxtool.exe", "tool", 10);
  Put("Data/x.ini", "[a]\r\n", 3);
  Put("lang/de/text.txt", "hallo");
  Put("readme.txt", "read me", 7);
  const TRunResult r = Publish({"--last-setupid", "9", "--softidlite", "$10"});
  ASSERT_EQ(r.Code, 0) << r.Err;

  const std::string bytes = ReadFileBytes(Out() / "up.txt");
  std::string withoutCrLf;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes.compare(i, 2, "\r\n") == 0)
      ++i;
    else
      withoutCrLf += bytes[i];
  }
  EXPECT_EQ(withoutCrLf.find_first_of("\r\n"), std::string::npos) << "a line break other than CR LF";
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

  const TStringList list = LoadList(Out() / "up.txt");
  EXPECT_EQ(list.ValueOf("softid"), "12");
  EXPECT_EQ(list.ValueOf("last_setupid"), "9");
  EXPECT_EQ(list.ValueOf("softidlite"), "16");
  EXPECT_EQ(list.ValueOf("last_setupidlite"), "-1");
  EXPECT_EQ(list.ValueOf("filecount"), "4");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Data\\x.ini", "Data/x.ini"},
      {"lang\\de\\text.txt", "lang/de/text.txt"},
      {"qvxtool.exe", "qvxtool.exe"},
      {"readme.txt", "readme.txt"}};
  for (size_t i = 0; i < expected.size(); ++i) {
    const fs::path source = Release() / expected[i].second;
    EXPECT_EQ(list.ValueOf("filename" + std::to_string(i)), expected[i].first);
    EXPECT_EQ(list.ValueOf("filedate" + std::to_string(i)), ServerDateFor(SearchTime(source)));
    EXPECT_EQ(ReadFileBytes(Out() / source.filename()), ReadFileBytes(source));
  }
  EXPECT_EQ(list.FindName("filename4"), -1);
  EXPECT_EQ(list.NameAt(list.Count() - 1), "AppDate");
  EXPECT_EQ(list.ValueOf("AppDate"), FormatListDate(SearchTime(Release() / "lang/de/text.txt")));
  EXPECT_FALSE(fs::exists(Out() / "x.ini.gz")) << "nothing is packed unless asked";
}

TEST(ServerDateFor, ListsTheTimeFourMinutesFiftyNineLater) {
  EXPECT_EQ(ServerDateFor(ComposeDateTime(2015, 3, 20, 10, 0, 0, 0)), "2015-3-20-10-4-59");
  EXPECT_EQ(ServerDateFor(ComposeDateTime(2015, 12, 31, 23, 58, 2, 0)), "2016-1-1-0-3-1");
  EXPECT_EQ(FormatListDate(ComposeDateTime(2020, 2, 29, 7, 5, 0, 0)), "2020-2-29-7-5-0");
}

TEST_F(PublishTest, PackedBodiesUnpackToTheFilesAndNginxLinesArePrinted) {
  Put("a.bin", std::string(100000, 'a') + "tail");
  Put("data/b.ini", "k=v\r\n");
  // Bytes no packer can shrink, as a file that is packed already.
  std::string noise(50000, '\0');
  uint32_t x = 2463534242u;
  for (char& c : noise) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  Put("noise.bin", noise);
  const TRunResult r = Publish({"--pack", "--location", "/upd/", "--server-path", "/srv/qvx/out"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  for (const char* name : {"a.bin", "up.txt"}) {
    const std::string plain = ReadFileBytes(Out() / name);
    EXPECT_EQ(UnCompressBody(ReadFileBytes(Out() / (std::string(name) + ".gz"))), plain) << name;
  }
  for (const char* name : {"b.ini", "noise.bin"})
    EXPECT_FALSE(fs::exists(Out() / (std::string(name) + ".gz"))) << name << ": packing would not make it smaller";
  EXPECT_TRUE(Contains(r.Out, "published 3 files to")) << r.Out;
  EXPECT_TRUE(Contains(r.Out, "location /upd/ {\n    alias /srv/qvx/out/;\n")) << r.Out;
  EXPECT_TRUE(Contains(r.Out, "gzip_static on;"));
  EXPECT_TRUE(Contains(r.Out, "gzip_http_version 1.0;"));

  // Without --server-path, the folder as nginx names it here: forward slashes, a closing one.
  const TRunResult local = Publish({"--pack"});
  ASSERT_EQ(local.Code, 0) << local.Err;
  std::string folder = fs::absolute(Out()).generic_u8string();
  if (folder.back() != '/') folder += '/';
  EXPECT_TRUE(Contains(local.Out, "    alias " + folder + ";\n")) << local.Out;
}

TEST_F(PublishTest, RepublishingReplacesTheOlderPublicationCleanly) {
  Put("a.txt", "old a");
  Put("b.txt", "b");
  Put("sub/c.txt", "c");
  ASSERT_EQ(Publish({"--pack"}).Code, 0);
  std::ofstream(Out() / "setup.exe") << "installer put there by hand";

  fs::remove(Release() / "b.txt");
  Put("a.txt", "new a");
  const TRunResult r = Publish();
  ASSERT_EQ(r.Code, 0) << r.Err;

  const auto files = Snapshot(Out());
  const std::map<std::string, std::string> expected = {
      {"a.txt", "new a"},
      {"c.txt", "c"},
      {"setup.exe", "installer put there by hand"},
      {"up.txt", files.count("up.txt") ? files.at("up.txt") : ""}};
  EXPECT_EQ(files, expected) << "stale files, packed bodies or temporary files left behind";
  EXPECT_TRUE(Contains(r.Out, "removed b.txt"));
  const TStringList list = LoadList(Out() / "up.txt");
  EXPECT_EQ(list.ValueOf("filecount"), "2");
  EXPECT_EQ(list.ValueOf("filename0"), "a.txt");
  EXPECT_EQ(list.ValueOf("filename1"), "sub\\c.txt");
}

TEST_F(PublishTest, LeavesOutHiddenKeptExcludedAndTheUpdaterBelowAFolder) {
  Put("readme.txt", "r");
  Put(".hidden", "h");
  Put(".git/config", "g");
  Put("data/remote.db", "db");
  Put("KeysData.rif", "k");
  Put("qvxupdate.exe", "u");
  Put("bin/qvxupdate.exe", "b");
  Put("debug/app.pdb", "p");
  Put("logs/x.txt", "l");
  Put("data/keep.ini", "i");
  Put("data/update.log", "a run's lines");
  Put("data/APP.INFO", "AppDate=2026-1-1");  // one "data" folder, as Windows has only one
  const TRunResult r = Publish({"--exclude", "*.PDB", "--exclude", "logs", "--exclude", "data/keep.*"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  const TStringList list = LoadList(Out() / "up.txt");
  EXPECT_EQ(list.ValueOf("filecount"), "2");
  // The updater in the installation folder is published, with the hash it replaces itself by.
  EXPECT_EQ(list.ValueOf("filename0"), "qvxupdate.exe");
  EXPECT_EQ(list.ValueOf("filehash0"), Sha256HexOf("u"));
  EXPECT_EQ(list.ValueOf("filename1"), "readme.txt");
  for (const char* shown : {".hidden", ".git", "data/remote.db", "KeysData.rif", "bin/qvxupdate.exe",
                            "data/update.log", "data/APP.INFO"})
    EXPECT_TRUE(Contains(r.Out, "left out " + Shown(shown) + ":")) << shown << "\n" << r.Out;
  EXPECT_EQ(Snapshot(Out()).size(), 3u);
}

struct TRefusal {
  const char* label;
  std::vector<std::pair<std::string, std::string>> files;  // release files: path, bytes
  const char* expected;                                     // part of the message
  bool posixOnly;                                           // names Windows cannot create
};

TEST_F(PublishTest, RefusesWhatTheListCannotCarryWithoutWritingAnything) {
  const TRefusal cases[] = {
      {"equals sign", {{"ok.txt", "x"}, {"a=b.txt", "x"}}, "a=b.txt: its name holds \"=\"", false},
      {"outside the code page", {{"\xc4\x81.txt", "x"}}, "cannot hold", false},
      {"blank in the file name", {{"my file.txt", "x"}}, "my file.txt: the file name holds \" \"", false},
      {"same file name twice", {{"a/X.txt", "1"}, {"b/x.TXT", "2"}}, "X.txt and ", false},
      {"a packed name beside its plain one", {{"x.txt", "1"}, {"x.txt.gz", "2"}}, "packed form of x.txt", false},
      {"the list's own name", {{"sub/UP.TXT", "1"}}, "the update list itself", false},
      {"the packed list's name", {{"ok.txt", "x"}, {"sub/up.txt.gz", "1"}}, "the update list itself", false},
      {"a second tool file", {{"qvxtool.exe", "1"}, {"qvxtool-old.exe", "2"}}, "over the tool's executable", false},
      {"nothing to publish", {}, "holds no file to publish", false},
      {"an empty file", {{"ok.txt", "x"}, {"data/empty.txt", ""}}, "cannot fetch an empty file", false},
      {"a line break", {{"line\nbreak.txt", "x"}}, "line break", true},
      {"a colon", {{"a:b.txt", "x"}}, "holds \":\"", true},
      {"a backslash", {{"a\\b.txt", "x"}}, "holds \"\\\"", true},
      {"a device name", {{"data/con.txt", "x"}}, "device name", true},
      {"a trailing dot", {{"data./x.txt", "x"}}, "ends with a dot", true},
      {"not UTF-8", {{"caf\xe9.txt", "x"}}, "cannot hold", true},
  };
  for (const TRefusal& c : cases) {
#ifdef _WIN32
    if (c.posixOnly) continue;
#endif
    SCOPED_TRACE(c.label);
    fs::remove_all(Release());
    fs::remove_all(Out());
    fs::create_directories(Release());
    for (const auto& [path, bytes] : c.files) Put(path, bytes);
    const TRunResult r = Publish({"--pack"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Contains(r.Err, c.expected)) << r.Err;
    EXPECT_FALSE(fs::exists(Out())) << "written although refused";
  }
}

TEST_F(PublishTest, RefusesAnOutputFolderInsideTheReleaseAndALostReleaseFolder) {
  Put("a.txt", "a");
  TRunResult r = Run({Release().u8string(), (Release() / "pub").u8string(), "--softid", "1"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_TRUE(Contains(r.Err, "inside the release folder")) << r.Err;
  EXPECT_FALSE(fs::exists(Release() / "pub"));

  r = Run({(FRoot / "nowhere").u8string(), Out().u8string(), "--softid", "1"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_TRUE(Contains(r.Err, "does not exist")) << r.Err;
}

TEST_F(PublishTest, RefusesAFileTheUpdaterFindsNoDateFor) {
  const fs::path p = Put("old.txt", "o");
  // Build tools that stamp every file with the start of 1970 produce such files.
  fs::last_write_time(p, FBase - std::chrono::hours(24 * 365 * 55));
  ASSERT_EQ(Publish().Code, 1);
  EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(PublishTest, KeepsAnOlderPublicationUntouchedWhenRefusing) {
  Put("a.txt", "a");
  ASSERT_EQ(Publish({"--pack"}).Code, 0);
  const auto before = Snapshot(Out());
  Put("b=c.txt", "bad");
  EXPECT_EQ(Publish().Code, 1);
  EXPECT_EQ(Snapshot(Out()), before);
}

TEST_F(PublishTest, UsageErrorsExitWithTwo) {
  Put("a.txt", "a");
  const std::string rel = Release().u8string(), out = Out().u8string();
  const std::vector<std::vector<std::string>> cases = {
      {},
      {rel},
      {rel, out},                                  // no --softid
      {rel, out, "--softid", "twelve"},
      {rel, out, "--softid"},
      {rel, out, "--softid", "1", "--frobnicate"},
      {rel, out, "--softid", "1", "--pack=yes"},
      {rel, out, "--softid", "1", "--location", "qvx"},
      {rel, out, "--softid", "1", "--appdate", ""},
      {rel, out, "--softid", "1", "--appdate", "a\r\nb"},
      {rel, out, "extra", "--softid", "1"},
      {"--check", out, rel},
      {rel, out, "--softid", "1", "--per-file=yes"},
      {"--check", out, "--per-file"},
  };
  for (const auto& args : cases) {
    const TRunResult r = Run(args);
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    EXPECT_EQ(r.Code, 2) << shown;
    EXPECT_TRUE(Contains(r.Err, "--help")) << shown;
  }
  EXPECT_FALSE(fs::exists(Out()));
  const TRunResult help = Run({"--help"});
  EXPECT_EQ(help.Code, 0);
  EXPECT_TRUE(Contains(help.Out, "Usage: qvxpublish RELEASE_DIR OUT_DIR"));
  EXPECT_TRUE(Contains(help.Out, "Windows-1252"));
  EXPECT_TRUE(Contains(help.Out, "Exit codes"));
}

TEST_F(PublishTest, AppDateAndIdsAsGiven) {
  Put("a.txt", "a");
  ASSERT_EQ(Publish({"--appdate", "2024-06-01 release", "--softid=0x20"}).Code, 0);
  const TStringList list = LoadList(Out() / "up.txt");
  EXPECT_EQ(list.ValueOf("AppDate"), "2024-06-01 release");
  EXPECT_EQ(list.ValueOf("softid"), "32");
  EXPECT_EQ(list.FindName("softidlite"), -1);
}

TEST_F(PublishTest, ListsEachSizeAsInstalledAndAsksForAWholeReleaseUnlessPerFile) {
  Put("qvxtool.exe", std::string(3000, 't'));
  Put("data/x.ini", "x=1\r\n");
  Put("big.bin", std::string(200000, 'b'));
  struct {
    std::vector<std::string> Args;
    std::string Whole;  // the value of wholerelease; empty: no such line
  } const cases[] = {{{}, "1"}, {{"--per-file"}, ""}, {{"--pack"}, "1"}, {{"--per-file", "--pack"}, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Args));
    fs::remove_all(Out());
    const TRunResult r = Publish(c.Args);
    ASSERT_EQ(r.Code, 0) << r.Err;
    const TStringList list = LoadList(Out() / "up.txt");
    EXPECT_EQ(list.ValueOf("wholerelease"), c.Whole);
    // Sorted by list name: big.bin, data\x.ini, qvxtool.exe; sizes as installed, packed or not.
    EXPECT_EQ(list.ValueOf("filesize0"), "200000");
    EXPECT_EQ(list.ValueOf("filesize1"), "5");
    EXPECT_EQ(list.ValueOf("filesize2"), "3000");
    EXPECT_EQ(list.ValueOf("toolsize"), "3000");
    const TRunResult check = Run({"--check", Out().u8string()});
    EXPECT_EQ(check.Code, 0) << check.Err;
    EXPECT_EQ(check.Err, "");
  }
  // Without the tool in the release, no tool size is listed.
  fs::remove(Release() / "qvxtool.exe");
  ASSERT_EQ(Publish().Code, 0);
  EXPECT_EQ(LoadList(Out() / "up.txt").FindName("toolsize"), -1);
}

TEST_F(PublishTest, CheckWarnsOfAWholeListWithoutSizes) {
  fs::create_directories(Out());
  std::ofstream(Out() / "up.txt", std::ios::binary)
      << "wholerelease=1\r\nfilecount=2\r\nfilename0=a.txt\r\nfiledate0=2015-3-20-10-4-59\r\n"
         "filesize0=1\r\nfilename1=b.txt\r\nfiledate1=2015-3-20-10-4-59\r\n";
  std::ofstream(Out() / "a.txt", std::ios::binary) << "a";
  std::ofstream(Out() / "b.txt", std::ios::binary) << "b";
  const TRunResult r = Run({"--check", Out().u8string()});
  EXPECT_EQ(r.Code, 0) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "warning: wholerelease=1, but 1 of the files listed has no filesize line"))
      << r.Err;
}

TEST_F(PublishTest, CheckPassesAFreshPublication) {
  Put("qvxtool.exe", "tool");
  Put("data/x.ini", "x");
  ASSERT_EQ(Publish({"--pack"}).Code, 0);
  const TRunResult r = Run({"--check", Out().u8string()});
  EXPECT_EQ(r.Code, 0) << r.Err;
  EXPECT_TRUE(Contains(r.Out, "2 files listed, no problems")) << r.Out;
}

struct TCheckCase {
  const char* label;
  std::string list;                                          // up.txt without its line breaks
  std::vector<std::pair<std::string, std::string>> files;    // published files: name, bytes
  const char* expected;
};

TEST_F(PublishTest, CheckReportsWhatTheUpdaterWouldStumbleOver) {
  const std::string date = "filedate0=2015-3-20-10-4-59";
  const TCheckCase cases[] = {
      {"missing file", "filecount=1|filename0=a.txt|" + date, {}, "a.txt is missing"},
      {"packed body of other bytes", "filecount=1|filename0=a.txt|" + date,
       {{"a.txt", "plain"}, {"a.txt.gz", CompressBody("other")}}, "unpacks to other bytes"},
      {"packed body that fails", "filecount=1|filename0=a.txt|" + date,
       {{"a.txt", "plain"}, {"a.txt.gz", std::string(20, 'z')}}, "does not unpack"},
      {"unsafe path", "filecount=1|filename0=..\\a.txt|" + date, {{"a.txt", "a"}}, "unsafe"},
      {"kept data file", "filecount=1|filename0=data\\Remote.db|" + date, {{"Remote.db", "a"}},
       "never replaces this data file"},
      {"the updater without its hash", "filecount=1|filename0=qvxupdate.exe|" + date,
       {{"qvxupdate.exe", "a"}}, "the updater replaces itself only with a hash"},
      {"the updater below a folder",
       "filecount=1|filename0=bin\\qvxupdate.exe|" + date + "|filehash0=" + Sha256HexOf("a"),
       {{"qvxupdate.exe", "a"}}, "only into the installation folder itself"},
      {"a removal of a listed file",
       "filecount=1|filename0=Data\\a.txt|" + date + "|removed0=data/A.TXT|removedhash0=" + Sha256HexOf("a"),
       {{"a.txt", "a"}}, "removed0=data/A.TXT: the list names the file as well (filename0)"},
      {"a removal hash that is no hash",
       "filecount=0|removed3=old.dll|removedhash3=" + Sha256HexOf("x") + ", abc",
       {}, "removedhash3: \"abc\" is not 64 hexadecimal digits"},
      {"an invalid date", "filecount=1|filename0=a.txt|filedate0=2015-13-20-10-5-0", {{"a.txt", "a"}},
       "would end the update run"},
      {"a date of five numbers", "filecount=1|filename0=a.txt|filedate0=2015-3-20-10-5", {{"a.txt", "a"}},
       "no date of six numbers"},
      {"no date", "filecount=1|filename0=a.txt", {{"a.txt", "a"}}, "never fetches"},
      {"a count that is no number", "filecount=two|filename0=a.txt|" + date, {{"a.txt", "a"}},
       "filecount: missing, negative or no integer"},
      {"a count far beyond the entries", "filecount=2147483647|filename0=a.txt|" + date,
       {{"a.txt", "a"}}, "is more than the list has lines"},
      {"an entry beyond the count", "filecount=1|filename0=a.txt|" + date + "|filename1=b.txt",
       {{"a.txt", "a"}, {"b.txt", "b"}}, "filename1: listed beyond filecount"},
      {"the same name twice", "filecount=2|filename0=a\\x.txt|" + date + "|filename1=b\\X.TXT|filedate1=2015-3-20-10-4-59",
       {{"x.txt", "x"}}, "the same file name as filename0"},
      {"an empty file", "filecount=1|filename0=a.txt|" + date, {{"a.txt", ""}}, "empty"},
      {"a setup id that is no number", "softid=1x|filecount=0", {}, "softid: \"1x\" is no integer"},
      {"a packed list of another list", "filecount=0", {{"up.txt.gz", CompressBody("filecount=1\r\n")}},
       "up.txt: its packed form unpacks to other bytes"},
      {"a file changed after publishing",
       "filecount=1|filename0=a.txt|" + date + "|filehash0=" + Sha256HexOf("a"), {{"a.txt", "b"}},
       "filename0=a.txt: the file does not match filehash0"},
      {"a hash that is no hash", "filecount=1|filename0=a.txt|" + date + "|filehash0=abc",
       {{"a.txt", "a"}}, "does not match filehash0"},
      {"a swapped installer", "setuphash=" + Sha256HexOf("setup") + "|filecount=0",
       {{"setup.exe", "other"}}, "setuphash: setup.exe does not match it"},
      {"a tool hash without the tool", "toolhash=" + Sha256HexOf("tool") + "|filecount=0", {},
       "toolhash: qvxtool.exe is missing"},
      {"a size that is not the file's", "filecount=1|filename0=a.txt|" + date + "|filesize0=2",
       {{"a.txt", "a"}}, "filename0=a.txt: filesize0 says 2 bytes, the file has 1; updaters refuse"},
      {"a size that is no number", "filecount=1|filename0=a.txt|" + date + "|filesize0=1k",
       {{"a.txt", "a"}}, "filesize0 \"1k\" is no size in bytes"},
      {"a negative size", "filecount=1|filename0=a.txt|" + date + "|filesize0=-1",
       {{"a.txt", "a"}}, "filesize0 \"-1\" is no size in bytes"},
      {"a packed file's size is the unpacked one", "filecount=1|filename0=a.txt|" + date + "|filesize0=" +
       std::to_string(CompressBody(std::string(5000, 'a')).size()),
       {{"a.txt", std::string(5000, 'a')}, {"a.txt.gz", CompressBody(std::string(5000, 'a'))}},
       "the file has 5000"},
      {"a tool size that is not the tool's", "toolsize=5|filecount=0", {{"qvxtool.exe", "tool"}},
       "toolsize says 5 bytes, the file has 4"},
      {"a tool size without the tool", "toolsize=5|filecount=0", {}, "toolsize: qvxtool.exe is missing"},
      {"a whole release asked for in other words", "wholerelease=yes|filecount=0", {},
       "wholerelease: \"yes\" is not 1, so updaters apply the list file by file"},
  };
  for (const TCheckCase& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(Out());
    fs::create_directories(Out());
    std::string text = c.list;
    for (size_t at; (at = text.find('|')) != std::string::npos;) text.replace(at, 1, "\r\n");
    std::ofstream(Out() / "up.txt", std::ios::binary) << text << "\r\n";
    for (const auto& [name, bytes] : c.files) std::ofstream(Out() / name, std::ios::binary) << bytes;
    const TRunResult r = Run({"--check", Out().u8string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Contains(r.Err, c.expected)) << r.Err;
  }
  fs::remove(Out() / "up.txt");
  const TRunResult none = Run({"--check", Out().u8string()});
  EXPECT_EQ(none.Code, 1);
  EXPECT_TRUE(Contains(none.Err, "holds no up.txt")) << none.Err;
}

}  // namespace
}  // namespace qvx
