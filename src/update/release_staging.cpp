#include "update/release_staging.h"

#include <algorithm>
#include <cstdint>
#include <exception>

#include "platform/file_system.h"
#include "platform/free_space.h"

namespace qvx {

TStagedRelease::~TStagedRelease() { Discard(); }

void TStagedRelease::AddStaged(const std::string& target) {
  TCommitStep step;
  step.Kind = TCommitStep::TKind::Replace;
  step.Target = target;
  step.Staged = StagedName(target);
  step.Aside = AsideName(target);
  FSteps.push_back(step);
}

void TStagedRelease::AddStep(const TCommitStep& step) { FSteps.push_back(step); }

bool TStagedRelease::Commit(std::string& failure) {
  std::vector<TCommitStep> steps;
  steps.swap(FSteps);
  return CommitRelease(steps, failure);
}

void TStagedRelease::Discard() {
  for (const TCommitStep& step : FSteps) {
    if (step.Staged.empty() || !FileExists(step.Staged)) continue;
    try {
      DeleteFileAt(step.Staged);
    } catch (const std::exception&) {
      // Held open by another process: it bears a temporary-file name, so the leftover sweep of
      // the next run removes it.
    }
  }
  FSteps.clear();
}

bool MeasureReleaseSpace(const std::vector<TListedFile>& files, const std::string& folder,
                         TReleaseSpace& space) {
  space = TReleaseSpace();
  for (const TListedFile& f : files) {
    if (f.Size < 0) return false;
    space.Needed += static_cast<uint64_t>(f.Size);
  }
  return FreeSpaceOfFolder(folder, space.Free);
}

std::string ByteCountText(uint64_t bytes, bool roundUp) {
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  // Tenths of the largest unit that leaves at least 1.0 of it.
  uint64_t unit = 1024;
  size_t u = 0;
  while (u + 1 < sizeof kUnits / sizeof *kUnits && bytes / unit >= 1024) {
    unit *= 1024;
    ++u;
  }
  const uint64_t tenths = (bytes / unit) * 10 +
                          ((bytes % unit) * 10 + (roundUp ? unit - 1 : 0)) / unit;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + kUnits[u];
}

std::string SpaceShortLine(const TReleaseSpace& space, const std::string& folder) {
  return "The release was not installed: it needs " + ByteCountText(space.Needed, true) +
         " of free space in " + folder + ", and only " + ByteCountText(space.Free, false) +
         " is free. Nothing was fetched, nothing was changed.";
}

namespace {

std::string Files(size_t n) { return std::to_string(n) + (n == 1 ? " file" : " files"); }

}  // namespace

std::string FilesFailedLine(size_t failed, size_t total) {
  return "The release was not installed: " + std::to_string(failed) + " of " + Files(total) +
         " failed; nothing was changed.";
}

std::string StoppedLine(size_t fetched, size_t total) {
  return "The release was not installed: the update was stopped with " + std::to_string(fetched) +
         " of " + Files(total) + " fetched; nothing was changed.";
}

std::string ToolStayedOpenLine(size_t total) {
  return "The release was not installed: all " + Files(total) +
         " were fetched, but the tool did not close; nothing was changed.";
}

std::string SwitchFailedLine(bool undone) {
  return undone ? "The release was not installed: its files could not be put in place; nothing was changed."
                : "The release was not installed: its files could not be put in place, and the switch "
                  "could not be undone yet; the next run finishes it.";
}

void TReleaseGauge::Start(uint64_t expected) {
  FOn = true;
  FExpected = expected;
  FReceived = FShown = 0;
}

bool TReleaseGauge::Add(uint64_t bytes) {
  FReceived += bytes;
  // Every 64 KiB, as the per-file gauge moves with each block of a body, but no oftener than in
  // steps of a 500th of the release, and at the very end: each showing waits for the window,
  // and files staged at once wait for each other's showing.
  const uint64_t step = std::max<uint64_t>(64u << 10, FExpected / 500);
  if (FReceived - FShown < step && FReceived < FExpected) return false;
  FShown = FReceived;
  return true;
}

int32_t TReleaseGauge::Max() const {
  return static_cast<int32_t>(std::min<uint64_t>((FExpected + 1023) / 1024, INT32_MAX));
}

int32_t TReleaseGauge::Position() const {
  return static_cast<int32_t>(std::min<uint64_t>((FReceived + 1023) / 1024, static_cast<uint64_t>(Max())));
}

}  // namespace qvx
