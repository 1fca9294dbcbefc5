#include "update/parallel_fetch.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "common/ini_file.h"
#include "common/integer_rule.h"
#include "common/text_utils.h"
#include "net/http_client.h"

namespace qvx {

int32_t ParallelSetting(const std::string& configPath) {
  TIniFile config(configPath);
  int32_t n = 0;
  if (!TryTextToInt32(TrimBlanks(config.ReadText("Config", "parallel", "")), n)) return kDefaultParallel;
  return std::min(std::max(n, 1), kMaxParallel);
}

TParallelFetch::TParallelFetch(int32_t slots, std::function<std::unique_ptr<THttpClient>()> makeClient)
    : FSlots(std::min(std::max(slots, 1), kMaxParallel)), FMakeClient(std::move(makeClient)) {}

TParallelFetch::~TParallelFetch() = default;

void TParallelFetch::Run(size_t count, const std::function<bool(size_t)>& start,
                         const std::function<void(size_t, THttpClient&)>& job,
                         const std::function<bool()>& stopped) {
  std::mutex startLock;  // one start at a time, in order
  size_t next = 0;
  bool ended = false;  // no further job starts
  auto helper = [&] {
    std::unique_ptr<THttpClient> client;
    for (;;) {
      size_t i = 0;
      {
        std::lock_guard<std::mutex> hold(startLock);
        if (ended || next >= count || FAborted.load() || (stopped && stopped())) {
          ended = true;
          break;
        }
        i = next++;
        if (start && !start(i)) {
          ended = true;
          break;
        }
        if (!client) {
          client = FMakeClient();
          std::lock_guard<std::mutex> lock(FLock);
          FClients.push_back(client.get());
          // An abort that came while the client was made must reach it too.
          if (FAborted.load()) client->AbortTransfer();
        }
      }
      try {
        job(i, *client);
      } catch (const std::exception& e) {
        std::lock_guard<std::mutex> lock(FLock);
        FErrors.emplace_back(i, e.what());
      } catch (...) {
        std::lock_guard<std::mutex> lock(FLock);
        FErrors.emplace_back(i, "unknown error");
      }
    }
    if (client) {
      std::lock_guard<std::mutex> lock(FLock);
      FClients.erase(std::find(FClients.begin(), FClients.end(), client.get()));
    }
  };
  const size_t helpers = std::min(count, static_cast<size_t>(FSlots));
  std::vector<std::thread> threads;
  threads.reserve(helpers);
  for (size_t h = 0; h < helpers; ++h) threads.emplace_back(helper);
  for (auto& t : threads) t.join();
}

void TParallelFetch::AbortAll() {
  std::lock_guard<std::mutex> lock(FLock);
  FAborted.store(true);
  for (THttpClient* client : FClients) client->AbortTransfer();
}

std::vector<std::pair<size_t, std::string>> TParallelFetch::Errors() const {
  std::lock_guard<std::mutex> lock(FLock);
  auto errors = FErrors;
  std::sort(errors.begin(), errors.end());
  return errors;
}

}  // namespace qvx
