#pragma once
// Several downloads at once: a number of slots, each a helper thread of the worker with an HTTP
// client (and so a connection) of its own, kept from one file to the next. Jobs start in the
// order of their numbers; a job that fails does not stop the others; an abort ends every
// running transfer at once and starts no further job. The helpers never touch the window: what
// they report goes through the worker's synchronous calls, and only the worker ends the run.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qvx {

class THttpClient;

// Files staged at once: config.ini [Config] parallel=N, 1 to 8 (a number beyond is taken as the
// nearest of the two; none, or not a number, gives the default).
constexpr int32_t kDefaultParallel = 6;
constexpr int32_t kMaxParallel = 8;
int32_t ParallelSetting(const std::string& configPath);

class TParallelFetch {
 public:
  // makeClient gives a client set up as the worker's own (proxy, wait time).
  TParallelFetch(int32_t slots, std::function<std::unique_ptr<THttpClient>()> makeClient);
  ~TParallelFetch();
  TParallelFetch(const TParallelFetch&) = delete;
  TParallelFetch& operator=(const TParallelFetch&) = delete;

  // Runs job(i, client) for i = 0 ... count-1, at most the number of slots at once, on the
  // helpers. start(i) runs just before job i, one at a time and in the order of i (a status
  // line said there is in list order); when it returns false, or once stopped() says so or an
  // abort came, job i and the later ones are not started. Returns when every started job has
  // ended. An exception that escapes a job counts as its failure: its message is in Errors().
  void Run(size_t count, const std::function<bool(size_t)>& start,
           const std::function<void(size_t, THttpClient&)>& job, const std::function<bool()>& stopped);
  // Any thread: ends every running transfer and every later one.
  void AbortAll();
  bool Aborted() const { return FAborted.load(); }
  // Messages of exceptions that escaped jobs, by job number.
  std::vector<std::pair<size_t, std::string>> Errors() const;

 private:
  int32_t FSlots;
  std::function<std::unique_ptr<THttpClient>()> FMakeClient;
  std::atomic<bool> FAborted{false};
  mutable std::mutex FLock;  // the clients in use, the next job, the errors
  std::vector<THttpClient*> FClients;
  std::vector<std::pair<size_t, std::string>> FErrors;
};

}  // namespace qvx
