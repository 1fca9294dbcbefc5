// Resumed downloads against scripted answers: a broken transfer keeps what arrived, the next
// request asks for the rest with Range and If-Range, and only a 206 that continues exactly the
// kept bytes of the same version is appended; anything else starts the file again.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "net/body_packer.h"
#include "net/http_client.h"
#include "platform/crypto.h"
#include "support/script_server.h"
#include "support/temp_folder.h"
#include "support/web_server_client.h"
#include "update/file_download.h"
#include "update/partial_download.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;
using R = TFileDownloadResult;

std::string Sha(const std::string& bytes) {
  TSha256 sha;
  sha.Update(bytes);
  return sha.FinishHex();
}

// A head of "HTTP/1.1 <status>" with the lines given and the body's length, then body; sent
// whole, or cut after `cut` bytes of the body (the server then closes).
ServerScript Play(const std::string& status, const std::string& lines, const std::string& body,
                  size_t length, size_t cut = std::string::npos) {
  const std::string head = "HTTP/1.1 " + status + "\r\n" + lines + "Content-Length: " + std::to_string(length) + "\r\n\r\n";
  return ServerScript().Answer(head + body.substr(0, cut));
}

std::string RangeLine(const std::string& request) {
  const size_t at = request.find("\r\nRange: ");
  if (at == std::string::npos) return "";
  return request.substr(at + 2, request.find("\r\n", at + 2) - at - 2) + "|" +
         (request.find("\r\nIf-Range: ") == std::string::npos
              ? ""
              : request.substr(request.find("\r\nIf-Range: ") + 2,
                               request.find("\r\n", request.find("\r\nIf-Range: ") + 2) -
                                   request.find("\r\nIf-Range: ") - 2));
}

TEST(ResumedDownload, KeptBytesAreContinuedOnlyByTheRestOfTheSameVersion) {
  // The client hands a body on in blocks of 64 KiB, so a cut keeps the whole blocks before it.
  const size_t n = 200000, cut = 150000, kept = 131072;
  const std::string c = test::NoiseContent(n, 7);      // the file as listed
  const std::string other = test::NoiseContent(n, 8);  // what a changed server file holds
  const std::string packed = CompressBody(c);
  const size_t pcut = packed.size() * 6 / 10, p = pcut / 65536 * 65536;
  const std::string etag = "ETag: \"v1\"\r\n";
  const std::string rest206 = "Content-Range: bytes 131072-199999/200000\r\n";
  const std::string range = "Range: bytes=131072-|If-Range: ";
  struct Row {
    const char* name;
    std::vector<ServerScript> scripts;  // one per request, in order
    std::vector<R> results;             // one per call of DownloadToFileResumable
    std::vector<std::string> ranges;    // the Range|If-Range lines of each request ("" none)
    std::string hash;                   // the listed hash
  } rows[] = {
      {"a 206 for the rest is appended",
       {Play("200 OK", etag, c, n, cut), Play("206 Partial Content", etag + rest206, c.substr(kept), n - kept)},
       {R::Broken, R::Saved},
       {"", range + "\"v1\""},
       Sha(c)},
      {"without an ETag the date is the validator",
       {Play("200 OK", "Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n", c, n, cut),
        Play("206 Partial Content", "Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n" + rest206, c.substr(kept), n - kept)},
       {R::Broken, R::Saved},
       {"", range + "Tue, 01 Dec 2026 10:00:00 GMT"},
       Sha(c)},
      {"a 200 to the ranged request starts again",
       {Play("200 OK", etag, c, n, cut), Play("200 OK", etag, c, n)},
       {R::Broken, R::Saved},
       {"", range + "\"v1\""},
       Sha(c)},
      {"a changed ETag: the server's new whole file",
       {Play("200 OK", "ETag: \"old\"\r\n", other, n, cut), Play("200 OK", "ETag: \"new\"\r\n", c, n)},
       {R::Broken, R::Saved},
       {"", range + "\"old\""},
       Sha(c)},
      {"a 206 of another version is refused, then the file comes whole",
       {Play("200 OK", etag, c, n, cut),
        Play("206 Partial Content", "ETag: \"v2\"\r\n" + rest206, other.substr(kept), n - kept),
        Play("200 OK", etag, c, n)},
       {R::Broken, R::Broken, R::Saved},
       {"", range + "\"v1\"", ""},
       Sha(c)},
      {"a 206 for another range is refused",
       {Play("200 OK", etag, c, n, cut),
        Play("206 Partial Content", etag + "Content-Range: bytes 100000-199999/200000\r\n", c.substr(100000), n - 100000),
        Play("200 OK", etag, c, n)},
       {R::Broken, R::Broken, R::Saved},
       {"", range + "\"v1\"", ""},
       Sha(c)},
      {"a resumed file whose hash fails is fetched once more whole",
       {Play("200 OK", etag, other, n, cut), Play("206 Partial Content", etag + rest206, c.substr(kept), n - kept),
        Play("200 OK", etag, c, n)},
       {R::Broken, R::Saved},
       {"", range + "\"v1\"", ""},
       Sha(c)},
      {"a packed body resumes on its packed bytes",
       {Play("200 OK", etag + "Content-Encoding: gzip\r\n", packed, packed.size(), pcut),
        Play("206 Partial Content",
             etag + "Content-Encoding: gzip\r\nContent-Range: bytes " + std::to_string(p) + "-" +
                 std::to_string(packed.size() - 1) + "/" + std::to_string(packed.size()) + "\r\n",
             packed.substr(p), packed.size() - p)},
       {R::Broken, R::Saved},
       {"", "Range: bytes=" + std::to_string(p) + "-|If-Range: \"v1\""},
       Sha(c)},
      {"no validator: nothing is kept, the next request is whole",
       {Play("200 OK", "", c, n, cut), Play("200 OK", "", c, n)},
       {R::Broken, R::Saved},
       {"", ""},
       Sha(c)},
      {"the list's hash changed: the kept bytes are not asked for",
       {Play("200 OK", etag, c, n, cut), Play("200 OK", etag, c, n)},
       {R::Broken, R::Saved},
       {"", ""},
       ""},
  };
  for (const auto& row : rows) {
    test::TTempFolder dir;
    const std::string target = dir.At("f.bin");
    ScriptServer server(row.scripts, 10000);
    for (size_t call = 0; call < row.results.size(); ++call) {
      THttpClient http;
      http.Timeout = 3000;
      http.Headers.Add("Accept-Encoding: gzip");
      // The last row changes the listed hash after the first call.
      const std::string hash = row.hash.empty() && call == 0 ? Sha(c) : row.hash;
      TExpectedContent expected;
      expected.Hash = hash;
      EXPECT_EQ(DownloadToFileResumable(http, server.BaseUrl() + "/f.bin", target, expected), row.results[call])
          << row.name << ", call " << call;
      if (row.results[call] == R::Broken && std::string(row.name).find("no validator") == std::string::npos &&
          call == 0) {
        EXPECT_TRUE(dir.Exists(".f.bin.qvxpart")) << row.name;
      }
    }
    EXPECT_EQ(dir.Read("f.bin"), c) << row.name;
    // Nothing is left beside the file once it is complete.
    EXPECT_EQ(dir.List(), "f.bin") << row.name;
    ASSERT_TRUE(server.WaitDone(3000)) << row.name;
    const auto received = server.Received();
    ASSERT_EQ(received.size(), row.ranges.size()) << row.name;
    for (size_t i = 0; i < received.size(); ++i) EXPECT_EQ(RangeLine(received[i]), row.ranges[i]) << row.name << " " << i;
  }
}

TEST(ResumedDownload, PartialFilesOutliveTheSweepUntilTheyCannotBeResumed) {
  test::TTempFolder dir;
  const std::string target = dir.At("a.bin");
  // A fresh partial download survives; data without a record, a record without data, and a
  // download begun long ago go.
  dir.Write(".a.bin.qvxpart", "kept");
  dir.Write(".a.bin.qvxpartinfo", "url=http://x/a.bin\r\nhash=\r\nvalidator=\"1\"\r\nbegun=" +
                                      std::to_string(static_cast<long long>(std::time(nullptr))) + "\r\n");
  dir.Write(".b.bin.qvxpart", "orphan");
  dir.Write(".c.bin.qvxpartinfo", "url=http://x/c.bin\r\nhash=\r\nvalidator=\"1\"\r\nbegun=1\r\n");
  dir.Write(".d.bin.qvxpart", "old");
  dir.Write(".d.bin.qvxpartinfo", "url=http://x/d.bin\r\nhash=\r\nvalidator=\"1\"\r\nbegun=1000\r\n");
  dir.Write("e.qvxpart", "not ours: no leading dot");
  EXPECT_EQ(RemovePartialLeftovers(dir.Path()), 4u);
  EXPECT_EQ(dir.List(), ".a.bin.qvxpart .a.bin.qvxpartinfo e.qvxpart");
  EXPECT_EQ(PartialDataPath(target), dir.At(".a.bin.qvxpart"));
}

}  // namespace
}  // namespace qvx
