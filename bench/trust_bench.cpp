// The cost of trusting nothing unverified, in two figures:
//   qvx_trust_bench hash FILE...         hashes installed files the way the update run compares
//                                        them with their hash lines; prints seconds=<s> bytes=<n>
//   qvx_trust_bench run URL DIR [KEY]    one whole update run into the installation DIR (which
//                                        it empties first) from the update folder at URL, with
//                                        KEY as UpdateKey when given; prints seconds=<s>
//                                        cpu=<s> fetched=<.dat files installed>
//   qvx_trust_bench checks FOLDER KEY     the checks' own work for the update folder FOLDER (a
//                                        signed publication on disk), timed alone: every .dat
//                                        body hashed as the run hashes a download, the
//                                        signature verified, each entry's installed copy looked
//                                        for (none there); prints seconds=<s>
// cpu is the process's user and system time, which a busy machine disturbs less than the wall
// time.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/crypto.h"
#include "platform/file_system.h"
#include "platform/launch_facts.h"
#include "startup/globals.h"
#include "ui/application.h"
#include "update/list_trust.h"
#include "update/update_worker.h"

namespace fs = std::filesystem;

namespace {

// User and system time of the process so far.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int Hash(int argc, char** argv) {
  uintmax_t bytes = 0;
  const auto start = std::chrono::steady_clock::now();
  const double cpu = CpuSeconds();
  int matched = 0;
  for (int i = 2; i < argc; ++i) {
    // A hash that never matches: the whole file is read and hashed, as for a changed copy.
    matched += qvx::InstalledFileMatches(argv[i], std::string(64, '0')) ? 1 : 0;
    bytes += fs::file_size(argv[i]);
  }
  std::printf("seconds=%.4f cpu=%.4f bytes=%ju matched=%d\n", Since(start), CpuSeconds() - cpu, bytes,
              matched);
  return 0;
}

int Run(int argc, char** argv) {
  const fs::path dir = argv[3];
  fs::remove_all(dir);
  fs::create_directories(dir / "data");
  if (argc > 4) std::ofstream(dir / "data" / "Product.ini") << "[Product]\r\nUpdateKey=" << argv[4] << "\r\n";
  qvx::TApplication::Instance();  // this thread serves the worker's calls
  qvx::SetWorkerPausesForTesting({0, 0, 60000});
  qvx::AppPath = dir.string() + "/";
  qvx::ToolExePath.clear();
  qvx::UpdateBaseUrl = argv[2];
  qvx::SetExecutablePath((dir / "qvxupdate.exe").string());
  const auto start = std::chrono::steady_clock::now();
  const double cpu = CpuSeconds();
  {
    qvx::TDownShareFileThread worker(nullptr);
    worker.Resume();
    qvx::TApplication::Instance().WaitFor(worker);
  }
  const double seconds = Since(start);
  const double cpuSeconds = CpuSeconds() - cpu;
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(dir)) files += e.path().extension() == ".dat" ? 1 : 0;
  std::printf("seconds=%.4f cpu=%.4f fetched=%zu\n", seconds, cpuSeconds, files);
  return 0;
}

int Checks(char** argv) {
  const fs::path folder = argv[2];
  std::vector<std::string> bodies;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().extension() == ".dat") bodies.push_back(qvx::ReadWholeFile(e.path().string()));
  }
  const std::string list = qvx::ReadWholeFile((folder / "up.txt").string());
  const std::string signature = qvx::ReadWholeFile((folder / "up.txt.sig").string());
  const fs::path empty = fs::temp_directory_path() / "qvx-trust-bench-empty";
  fs::create_directories(empty);
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::string> keys = qvx::ParseUpdateKeys(argv[3]);
  bool ok = qvx::SignatureFileVerifies(list, signature, keys);
  size_t differing = 0;
  for (size_t i = 0; i < bodies.size(); ++i) {
    if (!qvx::InstalledFileMatches((empty / ("file" + std::to_string(i) + ".dat")).string(),
                                   qvx::Sha256HexOf(bodies[i]))) {
      ++differing;
    }
  }
  const double seconds = Since(start);
  fs::remove_all(empty);
  std::printf("seconds=%.4f verified=%d bodies=%zu\n", seconds, ok ? 1 : 0, differing);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "hash" && argc > 2) return Hash(argc, argv);
  if (mode == "run" && argc > 3) return Run(argc, argv);
  if (mode == "checks" && argc == 4) return Checks(argv);
  std::fprintf(stderr, "usage: %s hash FILE... | run URL DIR [KEY] | checks FOLDER KEY\n", argv[0]);
  return 2;
}
