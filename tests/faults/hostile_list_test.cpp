// Whole update runs against a server that attacks through what is read before anything is
// trusted: the update list, its signature file and the chunked framing around them. Each row
// must fail at its bound (not at a time-out, and without memory that follows the attacker's
// numbers), and must end promptly when the window's Close comes while the server dribbles.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "allocation_probe.h"
#include "common/base64.h"
#include "net/body_packer.h"
#include "net/http_client.h"
#include "platform/crypto.h"
#include "platform/signing_key.h"
#include "startup/globals.h"
#include "support/script_server.h"
#include "support/test_installation.h"
#include "support/worker_run.h"
#include "ui/application.h"
#include "update/list_trust.h"
#include "update/run_outcome.h"

namespace qvx {
namespace {

using test::OkAnswer;
using test::ScriptServer;
using test::ServerScript;
using test::TAllocationProbe;
using Clock = std::chrono::steady_clock;

constexpr size_t kMiB = 1 << 20;
const std::string kList = "filecount=1\r\nfilename0=a.txt\r\nfiledate0=2099-1-1-0-0-0\r\nfilehash0=" +
                          Sha256HexOf("new a") + "\r\nlistserial=5\r\nAppDate=2024-5-6\r\n";
const std::string kAppInfo = "AppDate=2015-3-20\r\nListSerial=4\r\n";
const std::string kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

const TP256SigningKey& Key() {
  static const TP256SigningKey key = TP256SigningKey::Generate();
  return key;
}

std::string Repeated(const std::string& piece, size_t bytes) {
  std::string s;
  s.reserve(bytes + piece.size());
  while (s.size() < bytes) s += piece;
  return s;
}

class HostileList : public ::testing::Test {
 protected:
  // The time-out is far longer than any row may take: only the bounds may end a row.
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10, 15000}); }
  static void TearDownTestSuite() { SetWorkerPausesForTesting({}); }
  void SetUp() override { FInstall.Enter(); }
  void TearDown() override { FInstall.Leave(); }
  test::TTestInstallation FInstall;
};

TEST_F(HostileList, EveryAttackEndsAtItsBoundAndAtClose) {
  const std::string signature = EncodeBase64(Key().Sign(Sha256Of(kList))) + "\r\n";
  const std::string padded = "1;" + std::string(THttpClient::kMaxChunkSizeLine - 2, 'p') + "\r\nx\r\n";
  struct Case {
    const char* name;
    bool keyed;             // the installation has a key, so up.txt.sig is asked for
    std::string list;       // the whole answer for up.txt
    std::string signature;  // the whole answer for up.txt.sig (keyed rows)
    size_t closeAfter;      // Close mode: the hostile answer's bytes sent before the dribble stops
    std::string line;       // the second status line begins so
  } cases[] = {
      {"a packed list of 32 MiB of line breaks", false,
       OkAnswer(CompressBody(std::string(32 * kMiB, '\n')), "Content-Encoding: gzip\r\n"), "", 600,
       "The update list was refused: up.txt is larger than 4 MiB"},
      {"a plain list of 64 MiB", false,
       "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(64 * kMiB) + "\r\n\r\n" +
           Repeated("filename0=x\r\n", 64 * kMiB),
       "", kMiB, "The update list was refused: up.txt is larger than 4 MiB"},
      {"a signature file of 17 lines", true, OkAnswer(kList), OkAnswer(Repeated("\r\n", 32) + signature),
       60, "The update list was refused: its signature file up.txt.sig has more than 16 lines"},
      {"a signature file of 200000 lines", true, OkAnswer(kList),
       OkAnswer(Repeated("\r\n", 400000) + signature), 30000,
       "The update list was refused: its signature file up.txt.sig is larger than 64 KiB"},
      {"endless blank lines where a chunk size is due", false,
       kChunkedHead + "5\r\nabcde\r\n" + Repeated("\r\n", 64 * kMiB), "",
       kChunkedHead.size() + 10, "The update list "},
      {"endless padded chunk extensions", false, kChunkedHead + Repeated(padded, 64 * kMiB), "",
       kChunkedHead.size() + 20 * padded.size(), "The update list "},
  };
  for (const bool close : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (close ? ", closed while it dribbles" : ""));
      SetUp();
      FInstall.Write("a.txt", "old a");
      FInstall.Write("data\\App.info", kAppInfo);
      if (c.keyed) {
        FInstall.Write("data\\Product.ini",
                       "[Product]\r\nUpdateKey=" + EncodeBase64(Key().PublicPoint()) + "\r\n");
      }
      // The hostile answer never ends by itself: the connection stays open after it.
      const std::string& hostile = c.keyed ? c.signature : c.list;
      ServerScript attack =
          ServerScript().Answer(close ? hostile.substr(0, c.closeAfter) : hostile).Pause(20000);
      std::vector<ServerScript> scripts;
      if (c.keyed) scripts.push_back(ServerScript().Answer(c.list));
      scripts.push_back(attack);
      ScriptServer server(std::move(scripts), 25000);
      UpdateBaseUrl = server.BaseUrl() + "/qvx/";

      test::TRecordingStatusSink sink;
      size_t largest = 0;
      const auto start = Clock::now();
      {
        TAllocationProbe probe;
        {
          TDownShareFileThread worker(&sink);
          std::mutex lock;
          std::condition_variable ended;
          bool over = false;
          std::thread closer;
          if (close) {
            // What the window's Close does, from outside the worker's thread. The closer is
            // joined before the worker goes: a run that ends as Close arrives must not leave
            // it calling into a destroyed worker.
            closer = std::thread([&] {
              std::unique_lock<std::mutex> held(lock);
              if (ended.wait_for(held, std::chrono::milliseconds(700), [&] { return over; })) return;
              worker.CancelTransfer();
              worker.Terminate();
            });
          }
          worker.Resume();
          TApplication::Instance().WaitFor(worker);
          {
            std::lock_guard<std::mutex> held(lock);
            over = true;
          }
          ended.notify_all();
          if (closer.joinable()) closer.join();
        }
        TApplication::Instance().ProcessMessages();
        largest = probe.Largest();
      }
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

      EXPECT_LT(seconds, 8.0);
      EXPECT_LE(largest, 2 * kMaxListBytes + kMiB);
      EXPECT_EQ(FInstall.Read("a.txt"), "old a");
      EXPECT_EQ(FInstall.Read("data\\App.info"), kAppInfo);
      if (close) {
        // A closed run counts as cancelled, whatever was arriving.
        EXPECT_EQ(RunExitCode(), 1) << ::testing::PrintToString(sink.Lines);
        for (const std::string& line : sink.Lines) {
          EXPECT_EQ(line.find("refused"), std::string::npos) << line;
        }
      } else {
        ASSERT_GE(sink.Lines.size(), 2u) << ::testing::PrintToString(sink.Lines);
        EXPECT_EQ(sink.Lines[1].rfind(c.line, 0), 0u) << sink.Lines[1];
        EXPECT_EQ(RunExitCode(), 2);
      }
    }
  }
}

}  // namespace
}  // namespace qvx
