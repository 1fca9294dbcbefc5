// Downloads at once against nginx: slots, connections, order of starts, failures, the abort.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "net/http_client.h"
#include "support/temp_folder.h"
#include "support/test_web_server.h"
#include "support/web_server_client.h"
#include "update/parallel_fetch.h"

namespace qvx {
namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<THttpClient> MakeClient() {
  auto client = std::make_unique<THttpClient>();
  client->Timeout = 20000;
  return client;
}

TEST(ParallelFetch, SlotsKeepTheirConnectionsStartInOrderAndFailAlone) {
  auto& server = test::TestWebServer::Instance();
  // At the slow rate each file takes up to a quarter of a second: the slots overlap.
  const int files = 12;
  for (int i = 0; i < files; ++i) server.WriteFile("parallel/f" + std::to_string(i), test::NoiseContent(16384, i));
  std::mutex lock;
  std::vector<size_t> started;
  std::vector<char> ok(files, 0);  // one byte each: the helpers write their own elements
  std::atomic<int> running{0}, most{0};
  TParallelFetch fetch(4, MakeClient);
  fetch.Run(
      files,
      [&](size_t i) {
        std::lock_guard<std::mutex> hold(lock);
        started.push_back(i);
        return true;
      },
      [&](size_t i, THttpClient& http) {
        const int now = ++running;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        http.ResetRequest();
        // One file the server does not have: the others go on.
        const std::string name = i == 5 ? "parallel/absent" : "parallel/f" + std::to_string(i);
        const bool done = http.ExecuteMethod("GET", server.SlowBaseUrl() + name);
        ok[i] = done && http.ResultCode == 200 && http.Document.Bytes() == test::NoiseContent(16384, static_cast<int>(i));
        --running;
      },
      nullptr);
  std::vector<size_t> inOrder(files);
  for (int i = 0; i < files; ++i) inOrder[i] = i;
  EXPECT_EQ(started, inOrder);
  // At once, never more than the slots (how many overlap depends on how nginx paces the bytes).
  EXPECT_LE(most.load(), 4);
  EXPECT_GE(most.load(), 2);
  for (int i = 0; i < files; ++i) EXPECT_EQ(ok[i] != 0, i != 5) << i;
  EXPECT_TRUE(fetch.Errors().empty());
  // Twelve files over at most one connection per slot, as nginx counted them.
  std::set<uint64_t> connections;
  for (int i = 0; i < files; ++i)
    for (const auto& entry : server.AccessLogFor("parallel/f" + std::to_string(i))) connections.insert(entry.Connection);
  EXPECT_LE(connections.size(), 4u);
}

TEST(ParallelFetch, AnAbortEndsEveryTransferAtOnceAndStartsNoMore) {
  auto& server = test::TestWebServer::Instance();
  // Sixteen seconds each at the slow rate.
  server.WriteFile("parallel/big", test::NoiseContent(1 << 20, 3));
  std::atomic<int> jobs{0}, failed{0};
  TParallelFetch fetch(3, MakeClient);
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    fetch.AbortAll();
  });
  const auto begin = Clock::now();
  fetch.Run(
      10, nullptr,
      [&](size_t, THttpClient& http) {
        ++jobs;
        if (!http.ExecuteMethod("GET", server.SlowBaseUrl() + "parallel/big")) ++failed;
      },
      nullptr);
  closer.join();
  EXPECT_LT(Clock::now() - begin, std::chrono::seconds(5));
  EXPECT_EQ(jobs.load(), 3);
  EXPECT_EQ(failed.load(), 3);
  EXPECT_TRUE(fetch.Aborted());
}

TEST(ParallelFetch, AJobThatThrowsFailsAloneAndAStartThatSaysNoEndsTheRun) {
  std::atomic<int> done{0};
  TParallelFetch fetch(2, MakeClient);
  fetch.Run(
      6, [](size_t i) { return i < 4; },
      [&](size_t i, THttpClient&) {
        if (i == 1) throw std::runtime_error("disk full");
        ++done;
      },
      nullptr);
  EXPECT_EQ(done.load(), 3);
  ASSERT_EQ(fetch.Errors().size(), 1u);
  EXPECT_EQ(fetch.Errors()[0].first, 1u);
  EXPECT_EQ(fetch.Errors()[0].second, "disk full");
}

TEST(ParallelFetch, TheSettingIsKeptWithinOneToEight) {
  const struct {
    const char* line;
    int32_t slots;
  } cases[] = {{"", 6}, {"parallel=3\r\n", 3}, {"parallel= 1 \r\n", 1}, {"parallel=0\r\n", 1},
               {"parallel=-4\r\n", 1}, {"parallel=12\r\n", 8}, {"parallel=many\r\n", 6}};
  for (const auto& c : cases) {
    test::TTempFolder dir;
    dir.Write("config.ini", std::string("[Config]\r\n") + c.line);
    EXPECT_EQ(ParallelSetting(dir.At("config.ini")), c.slots) << c.line;
  }
}

}  // namespace
}  // namespace qvx
