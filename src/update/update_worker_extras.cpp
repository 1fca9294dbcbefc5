// The worker's steps of a release besides its files: the files it removes, and the updater's
// own file (release_extras.h).
#include <string>
#include <vector>

#include "update/release_extras.h"
#include "update/run_outcome.h"
#include "update/update_worker.h"

namespace qvx {

void TDownShareFileThread::RemoveOneByOne() {
  size_t failed = 0;
  for (const std::string& line : DeleteOneByOne(FRemovals, failed)) Report(line);
  if (failed > 0) NoteRunOutcome(TRunOutcome::FilesFailed);
}

void TDownShareFileThread::AddRemovalSteps(TStagedRelease& staged) {
  for (const TCommitStep& step : RemovalSteps(FRemovals)) staged.AddStep(step);
}

void TDownShareFileThread::SwitchOnItsOwn(TStagedRelease& staged) {
  const TSwitchExtras extras = SwitchExtras(staged.Steps());
  std::string failure;
  if (!staged.Commit(failure)) {
    Report(failure);
    NoteRunOutcome(TRunOutcome::FilesFailed);
    return;
  }
  ReportSwitched(extras);
}

void TDownShareFileThread::ReportSwitched(const TSwitchExtras& extras) {
  if (extras.Removes) {
    for (const TRemovalTarget& removal : FRemovals.Delete) Report(RemovedLine(removal));
    RemoveEmptyFolders(FRemovals.Folders);
  }
  if (extras.ReplacesUpdater) Report(kUpdaterUpdatedLine);
}

}  // namespace qvx
