// --check reads a publication back: a live one over HTTP with the updater's own client (list,
// signature, every file, its hash, its packed form), and warns of what works but is likely not
// meant (a road to a file the publication lacks, a date ahead).
#include <gtest/gtest.h>

#include "net/body_packer.h"
#include "publish_fixture.h"
#include "support/test_web_server.h"

namespace qvx {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class PublishCheckTest : public PublishTest {
 protected:
  std::string MakeKey(const std::string& name) {
    const TRunResult r = Run({"keygen", (FRoot / name).u8string()});
    EXPECT_EQ(r.Code, 0) << r.Err;
    const size_t at = r.Out.find("\nUpdateKey=");
    return r.Out.substr(at + 11, r.Out.find('\n', at + 1) - at - 11);
  }
};

TEST_F(PublishCheckTest, ALivePublicationIsCheckedOverHttpAndTamperingIsFound) {
  test::TestWebServer& server = test::TestWebServer::Instance();
  const std::string key = MakeKey("k.pem");
  Put("qvxtool.exe", std::string(30000, 'T') + "end");
  Put("data/x.ini", std::string(2000, 'x'));
  Put("a.txt", "plain a");
  const fs::path served = fs::path(server.Root()) / "publish-check-url";
  fs::remove_all(served);
  ASSERT_EQ(Run({Release().u8string(), served.u8string(), "--softid", "7", "--pack", "--sign",
                 (FRoot / "k.pem").u8string()}).Code, 0);
  const std::string url = server.BaseUrl() + "publish-check-url/";
  auto check = [&] { return Run({"--check", url, "--key", key}); };

  TRunResult r = check();
  EXPECT_EQ(r.Code, 0) << r.Err;
  EXPECT_TRUE(Contains(r.Out, url + ": 3 files listed, no problems")) << r.Out;

  // A file changed on the server after it was listed: same size, other bytes.
  ReplaceFileBytes(served / "a.txt", "plain b");
  // A packed body that is not the file it stands for.
  ReplaceFileBytes(served / "x.ini.gz", CompressBody(std::string(2000, 'y')));
  r = check();
  EXPECT_EQ(r.Code, 1);
  EXPECT_TRUE(Contains(r.Err, "=a.txt: the file does not match filehash")) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "=data\\x.ini: its packed form unpacks to other bytes")) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "qvxpublish: 2 problems in " + url)) << r.Err;

  // A file missing on the server, and a list that is not the one signed.
  fs::remove(served / "a.txt");
  fs::remove(served / "x.ini.gz");
  ReplaceFileBytes(served / "x.ini", std::string(2000, 'x'));
  std::string list = ReadFileBytes(served / "up.txt");
  ReplaceFileBytes(served / "up.txt", list + "\r\n");
  fs::remove(served / "up.txt.gz");
  r = check();
  EXPECT_EQ(r.Code, 1);
  EXPECT_TRUE(Contains(r.Err, "the file a.txt could not be fetched: HTTP status 404")) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "up.txt.sig: no line verifies")) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "qvxpublish: 2 problems in ")) << r.Err;

  // No server at all: the list cannot be had, and the reason says why.
  r = Run({"--check", "http://127.0.0.1:1/qvx/"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_TRUE(Contains(r.Err, "holds no up.txt: it could not be fetched: connection refused")) << r.Err;
  fs::remove_all(served);
}

TEST_F(PublishCheckTest, WarnsOfRoadsToMissingFilesAndDatesAhead) {
  Put("a.txt", "a");
  ASSERT_EQ(Publish({"--last-setupid", "10"}).Code, 0);
  // A date far ahead, as a wrong clock on the publishing machine would write it.
  std::string list = ReadFileBytes(Out() / "up.txt");
  const size_t at = list.find("filedate0=");
  ASSERT_NE(at, std::string::npos);
  list.replace(at + 10, list.find('\r', at) - at - 10, "2099-1-1-0-0-0");
  ReplaceFileBytes(Out() / "up.txt", list);

  const TRunResult r = Run({"--check", Out().u8string()});
  EXPECT_EQ(r.Code, 0) << "warnings are no problems: " << r.Err;
  EXPECT_TRUE(Contains(r.Err, "warning: softid=12: installations below it close the tool and fetch "
                              "qvxtool.exe, which is missing")) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "warning: last_setupid=10: installations below it fetch and start "
                              "setup.exe, which is missing")) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "warning: filename0=a.txt: filedate0 2099-1-1-0-0-0 lies in the future"))
      << r.Err;
  EXPECT_TRUE(Contains(r.Out, ": 1 file listed, no problems, 3 warnings")) << r.Out;

  // With the files the roads ask for, and a date of now, nothing is left to warn of.
  Put("qvxtool.exe", "tool");
  Put("setup.exe", "installer");
  ASSERT_EQ(Publish({"--last-setupid", "10"}).Code, 0);
  const TRunResult clean = Run({"--check", Out().u8string()});
  EXPECT_EQ(clean.Code, 0) << clean.Err;
  EXPECT_EQ(clean.Err, "");
  EXPECT_TRUE(Contains(clean.Out, ": 3 files listed, no problems\n")) << clean.Out;
}

TEST_F(PublishCheckTest, RepublishingWarnsOfAFileListedOlderThanTheCopyItReplaces) {
  Put("a.txt", "a2", 0);
  Put("b.txt", "b", 0);
  ASSERT_EQ(Publish().Code, 0);
  // The release built again from an older copy of a.txt: its date goes back an hour.
  Put("a.txt", "a1", 3600);
  const TRunResult r = Publish();
  EXPECT_EQ(r.Code, 0) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "warning: a.txt is listed with ")) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "of the copy it replaces")) << r.Err;
  EXPECT_FALSE(Contains(r.Err, "b.txt")) << r.Err;
}

}  // namespace
}  // namespace qvx
