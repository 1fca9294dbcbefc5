#pragma once
// A release applied whole: every file it installs is first staged, complete and on the disk,
// beside its target, while the installation stays as it is; only when all are staged are they
// switched in one step (release_commit.h). Whatever stops the release before that (a file that
// fails, a Close, a tool that stays open, an error) leaves nothing behind: the staged files go.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "update/release_commit.h"

namespace qvx {

// One file the run installs: what the worker fetches and where it goes.
struct TListedFile {
  std::string Name;    // the listed name (the server holds NameOfPath of it)
  std::string Target;  // the installed file: AppPath + name, or ToolExePath
  std::string Hash;    // the list's hash text; empty: none
  int64_t Size = -1;   // the listed size as installed; negative: none
  bool Tool = false;   // the tool's executable
};

// The steps of one switch of releases, and the staged files they own. Until Commit has run,
// the staged files belong to this object: it deletes them when it goes.
class TStagedRelease {
 public:
  TStagedRelease() = default;
  ~TStagedRelease();
  TStagedRelease(const TStagedRelease&) = delete;
  TStagedRelease& operator=(const TStagedRelease&) = delete;

  // A file staged at StagedName(target), to replace target.
  void AddStaged(const std::string& target);
  // Any other step of the same switch (a file the release removes, say); a Replace step's
  // staged file is owned from now on like the others.
  void AddStep(const TCommitStep& step);
  bool Empty() const { return FSteps.empty(); }
  size_t Count() const { return FSteps.size(); }
  const std::vector<TCommitStep>& Steps() const { return FSteps; }

  // CommitRelease of every step (see there). Afterwards this object owns nothing, either way.
  bool Commit(std::string& failure);
  // Deletes the staged files; the installed ones are not touched.
  void Discard();

 private:
  std::vector<TCommitStep> FSteps;
};

// The space a release needs before it is staged: the staged copies sit beside the old ones
// until the switch, so every listed size counts in full.
struct TReleaseSpace {
  uint64_t Needed = 0;
  uint64_t Free = 0;
};
// False when files has a file without a listed size, or the free space of folder cannot be
// told: nothing is known then, and nothing is refused.
bool MeasureReleaseSpace(const std::vector<TListedFile>& files, const std::string& folder,
                         TReleaseSpace& space);
// "12.4 MB", "340 KB", "512 bytes"; needed rounds up, free down, so the two never read equal
// while one is short.
std::string ByteCountText(uint64_t bytes, bool roundUp);

// The lines of a release that is not installed; each ends by saying what became of the
// installation.
std::string SpaceShortLine(const TReleaseSpace& space, const std::string& folder);
std::string FilesFailedLine(size_t failed, size_t total);
std::string StoppedLine(size_t fetched, size_t total);
std::string ToolStayedOpenLine(size_t total);
std::string SwitchFailedLine(bool undone);

}  // namespace qvx

namespace qvx {

// The gauge of a release whose sizes are all known: bytes received against the bytes the
// release brings, shown in KiB so that any release fits the gauge's 32-bit range.
class TReleaseGauge {
 public:
  void Start(uint64_t expected);
  void Stop() { FOn = false; }
  bool On() const { return FOn; }
  // True when the position moved far enough since it was last shown to be shown again.
  bool Add(uint64_t bytes);
  int32_t Max() const;
  int32_t Position() const;

 private:
  bool FOn = false;
  uint64_t FExpected = 0, FReceived = 0, FShown = 0;
};

}  // namespace qvx
