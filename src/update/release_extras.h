#pragma once
// The steps of a release besides the files it installs: the files it removes, and the updater's
// own file. Both go through the same switch (release_commit.h) as the release's other files.
//
// The updater's file is replaced only from an entry that reaches it (ReachesUpdaterFile) and
// gives its hash, when the running program's content differs; an entry without a hash is passed
// over as it always was, so older lists behave as before. The running program goes on as it is;
// the new one runs from the next start. Where the system holds a running program's file
// (Windows), the switch moves the old file aside and leaves it there; the next run, after it has
// written its version into data\update.log, deletes it with the other copies set aside
// (DeleteKeptAside), which shows that the new program starts.
#include <string>
#include <vector>

#include "update/release_commit.h"
#include "update/removal_rules.h"

namespace qvx {

extern const char kUpdaterUpdatedLine[];

// The file the updater's entry replaces: the running program's own.
std::string UpdaterTarget();
// Whether a listed entry is the updater's file, to be installed at UpdaterTarget (given a hash).
bool IsUpdaterEntry(const std::string& name, const std::string& ownName);

// The switch step that puts the staged copy (StagedName(target)) in place of target. For the
// updater's own file the staged copy is given the running program's permissions first (on
// POSIX the right to run it), and on Windows the set-aside copy stays (KeepAside).
TCommitStep ReplaceStep(const std::string& target);
// The switch steps that delete the chosen files.
std::vector<TCommitStep> RemovalSteps(const TRemovalChoice& choice);

// The status line of a file a release removed.
std::string RemovedLine(const TRemovalTarget& removal);
// What a switch of steps does besides installing files, for its lines once it is done. Taken
// before the switch: afterwards the running program's own path may name the set-aside copy
// (POSIX reports where the running file has moved).
struct TSwitchExtras {
  bool Removes = false;
  bool ReplacesUpdater = false;
};
TSwitchExtras SwitchExtras(const std::vector<TCommitStep>& steps);

// A list applied file by file has no switch of its own: each chosen file is deleted on its own
// (a deletion is done or not done, so a killed run leaves nothing half-way). Returns one line per
// file, RemovedLine or the failure with the system's reason; `failed` counts the failures.
std::vector<std::string> DeleteOneByOne(const TRemovalChoice& choice, size_t& failed);

}  // namespace qvx
