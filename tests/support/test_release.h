#pragma once
// A small release for tests of the switch of releases, laid out in the installation at AppPath:
// a changed library, a changed file in data\, a file the release adds and one it removes. Uses
// only the program's own file layer, so a helper program that is killed part-way links it too.
#include <string>
#include <vector>

#include "update/release_commit.h"

namespace qvx::test {

struct TReleaseFile {
  std::string Name;  // relative to AppPath
  std::string Old;   // empty: the release adds the file
  std::string New;   // empty: the release removes the file
};
const std::vector<TReleaseFile>& TestRelease();

// The old release's files at AppPath (and nothing of the new one).
void InstallOldRelease();
// Each new file, written as downloads are and left at its staged name.
void StageNewRelease();
// The steps that switch the installation from the old release to the new one.
std::vector<TCommitStep> TestReleaseSteps();
// "old" or "new" when every file of the release is in that version (an absent file counting as
// the version without it); otherwise "mixed:" and, per file, which version it holds.
std::string ReleaseState();
// The names at AppPath and in its data folder that are neither the release's nor the
// installation's own (journal, staged, set-aside or temporary files), sorted, space-separated.
std::string StrayFiles();

}  // namespace qvx::test
