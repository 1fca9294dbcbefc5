// One whole release installed by the update worker, watched from beside it: the disk the
// installation folder takes at its peak (every file's allocated blocks, sampled every 2 ms)
// against the bytes of the changed files, and how much of the run the switch itself takes (from
// the journal on the disk to the last set-aside copy gone, through the switch's step hook).
// Figures only; nothing is asserted.
//   qvx_whole_bench <installation folder, ending with "/"> <update base URL>
// The installation holds data/Language.ini and the old copies of the release's files; the list
// at the URL names them all with new content (bench/whole.sh lays both out).
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/launch_facts.h"
#include "startup/globals.h"
#include "ui/application.h"
#include "update/release_commit.h"
#include "update/status_sink.h"
#include "update/update_worker.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

class TQuietSink : public qvx::TStatusSink {
 public:
  void AddStatusLine(const std::string& line) override { Last = line; }
  void SetProgressMax(int32_t) override {}
  void SetProgressPosition(int32_t) override {}
  void EnableRetry() override {}
  void HandleMessage(uint32_t, uintptr_t, intptr_t) override {}
  std::string Last;
};

// Allocated bytes of the files below folder, hidden ones included, in all and by kind: staged
// or temporary (".qvxnew"), partial downloads kept for resuming (".qvxpart"), set-aside old
// copies (".qvxold"), the rest.
struct TDiskUse {
  uint64_t All = 0, Staged = 0, Partial = 0, Aside = 0;
};

bool EndsWith(const std::string& s, const char* tail) {
  const size_t n = std::char_traits<char>::length(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

TDiskUse DiskUse(const fs::path& folder) {
  TDiskUse use;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; it != end; it.increment(ec)) {
    struct stat st;
    if (ec || lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const uint64_t bytes = static_cast<uint64_t>(st.st_blocks) * 512;
    const std::string name = it->path().filename().string();
    use.All += bytes;
    if (EndsWith(name, ".qvxnew")) use.Staged += bytes;
    if (EndsWith(name, ".qvxpart")) use.Partial += bytes;
    if (EndsWith(name, ".qvxold")) use.Aside += bytes;
  }
  return use;
}

double Mib(uint64_t bytes) { return bytes / 1048576.0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qvx_whole_bench <installation folder/> <update base URL>\n");
    return 2;
  }
  qvx::AppPath = argv[1];
  qvx::UpdateBaseUrl = argv[2];
  qvx::LangIndex = 1;
  qvx::ToolExePath.clear();
  qvx::SetExecutablePath(qvx::AppPath + "qvxupdate.exe");
  qvx::SetWorkerPausesForTesting({20, 0});
  const fs::path folder(qvx::AppPath);

  // The changed files are every file but the installation's own data.
  uint64_t changed = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file() && e.path().parent_path().filename() != "data") changed += e.file_size();
  const uint64_t before = DiskUse(folder).All;

  std::atomic<bool> running{true};
  TDiskUse peak;
  peak.All = before;
  std::thread sampler([&] {
    while (running) {
      const TDiskUse now = DiskUse(folder);
      if (now.All > peak.All) peak = now;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  Clock::time_point switchStart{}, switchEnd{};
  qvx::SetCommitStepHookForTesting([&](int step) {
    if (step == 0) switchStart = Clock::now();
    switchEnd = Clock::now();
  });

  qvx::TApplication& app = qvx::TApplication::Instance();
  TQuietSink sink;
  const Clock::time_point start = Clock::now();
  {
    qvx::TDownShareFileThread worker(&sink);
    worker.Resume();
    app.WaitFor(worker);
  }
  const Clock::time_point end = Clock::now();
  running = false;
  sampler.join();
  app.CancelMessages(&sink);
  qvx::SetCommitStepHookForTesting(nullptr);

  const double runMs = std::chrono::duration<double, std::milli>(end - start).count();
  const double switchMs = std::chrono::duration<double, std::milli>(switchEnd - switchStart).count();
  const uint64_t after = DiskUse(folder).All;
  std::printf("  last line: %s\n", sink.Last.c_str());
  std::printf("  changed files: %.1f MiB; disk use before %.1f MiB, at the peak %.1f MiB, after %.1f MiB\n",
              Mib(changed), Mib(before), Mib(peak.All), Mib(after));
  std::printf("  at the peak: staged or temporary %.1f MiB, partial downloads %.1f MiB, set aside %.1f MiB\n",
              Mib(peak.Staged), Mib(peak.Partial), Mib(peak.Aside));
  std::printf("  peak disk use of the changed files: %.2f x their size (goal <= 2)\n",
              static_cast<double>(peak.All - (before - changed)) / static_cast<double>(changed));
  std::printf("  run %.1f ms, of which the switch %.1f ms (%.1f %%)\n", runMs, switchMs, 100.0 * switchMs / runMs);
  return sink.Last.rfind("The release was not installed", 0) == 0 ? 1 : 0;
}
