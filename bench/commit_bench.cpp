// How long the switch of releases takes for 1,000 changed files: staging (each new file written
// beside its target and flushed, as a download leaves it) and the commit itself (journal, every
// old copy set aside, every new one moved in, set-aside copies and journal deleted), for files
// in one folder and spread over twenty; then the recovery of a switch killed half-way. Figures
// only; nothing is asserted.
//   qvx_commit_bench <folder to work in>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/replacement_file.h"
#include "startup/globals.h"
#include "update/release_commit.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct TKilled : std::runtime_error {
  TKilled() : std::runtime_error("killed") {}
};

std::vector<qvx::TCommitStep> Prepare(const fs::path& root, int files, int folders, size_t size, double& stageMs) {
  fs::remove_all(root);
  fs::create_directories(root / "data");
  qvx::AppPath = root.string() + "/";
  std::vector<qvx::TCommitStep> steps;
  const std::string oldBytes(size, 'o'), newBytes(size, 'n');
  for (int i = 0; i < files; ++i) {
    const std::string folder = folders > 1 ? "f" + std::to_string(i % folders) + "/" : "";
    fs::create_directories(root / folder);
    qvx::TCommitStep s;
    s.Target = qvx::AppPath + folder + "file" + std::to_string(i) + ".bin";
    s.Staged = qvx::StagedName(s.Target);
    s.Aside = qvx::AsideName(s.Target);
    qvx::WriteWholeFile(s.Target, oldBytes);
    steps.push_back(s);
  }
  const auto start = Clock::now();
  for (const qvx::TCommitStep& s : steps) {
    qvx::TReplacementFile file(s.Target);
    file.Write(newBytes.data(), newBytes.size());
    file.Stage(s.Staged);
  }
  stageMs = Milliseconds(Clock::now() - start);
  return steps;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qvx_commit_bench <folder to work in>\n");
    return 2;
  }
  const fs::path root = fs::path(argv[1]) / "qvx-commit-bench";
  constexpr int kFiles = 1000;
  for (const int folders : {1, 20}) {
    for (const size_t size : {size_t(4096), size_t(256) << 10}) {
      double stageMs = 0;
      const std::vector<qvx::TCommitStep> steps = Prepare(root, kFiles, folders, size, stageMs);
      std::string failure;
      const auto start = Clock::now();
      const bool committed = qvx::CommitRelease(steps, failure);
      const double commitMs = Milliseconds(Clock::now() - start);
      if (!committed) {
        std::fprintf(stderr, "the commit failed: %s\n", failure.c_str());
        return 1;
      }
      std::printf("%d files of %zu KiB in %2d folder(s): staging %8.1f ms, commit %7.1f ms (%.3f ms a file)\n",
                  kFiles, size >> 10, folders, stageMs, commitMs, commitMs / kFiles);
    }
  }
  // Killed after half the new copies moved in; the next run finishes it forward.
  double stageMs = 0;
  const std::vector<qvx::TCommitStep> steps = Prepare(root, kFiles, 20, 4096, stageMs);
  qvx::SetCommitStepHookForTesting([](int step) {
    if (step == kFiles + kFiles / 2) throw TKilled();
  });
  std::string failure;
  try {
    qvx::CommitRelease(steps, failure);
  } catch (const TKilled&) {
  }
  qvx::SetCommitStepHookForTesting(nullptr);
  const auto start = Clock::now();
  const qvx::TRecoveryResult result = qvx::RecoverRelease(qvx::ReadJournal(), &failure);
  const double recoverMs = Milliseconds(Clock::now() - start);
  std::printf("recovery of %d files killed half-way through the commit: %.1f ms (%s)\n", kFiles, recoverMs,
              result == qvx::TRecoveryResult::RolledForward ? "completed" : failure.c_str());
  fs::remove_all(root);
  return 0;
}
