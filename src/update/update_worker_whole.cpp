// The worker's road for a list applied whole: stage every file, then switch them in one step.
#include <exception>
#include <set>
#include <string>
#include <vector>

#include "base/ascii_case.h"
#include "common/integer_rule.h"
#include "common/name_index.h"
#include "common/path_names.h"
#include "common/text_utils.h"
#include "platform/launch_facts.h"
#include "startup/globals.h"
#include "update/main_tool.h"
#include "update/release_commit.h"
#include "update/release_extras.h"
#include "update/release_staging.h"
#include "update/run_outcome.h"
#include "update/update_list_rules.h"
#include "update/update_worker.h"

namespace qvx {

bool TDownShareFileThread::ApplyWholeRelease(const TNameIndex& list,
                                             const std::vector<int32_t>& fileNumbers,
                                             std::vector<TListedFile> release, size_t refused) {
  // Each target once: the tool's executable may come both from the setup ids and from the
  // list, and one staged copy is all a switch can move in.
  std::set<std::string> targets;
  for (const TListedFile& f : release) targets.insert(UpperAscii(f.Target));
  int32_t count = 0;
  if (!TryTextToInt32(TrimBlanks(list.ValueOf("filecount")), count)) count = 0;
  const std::string ownName = UpdaterFileName();
  bool stopped = false;
  for (const int32_t i : fileNumbers) {
    if (i >= count) break;
    if (Terminated()) {
      stopped = true;
      break;
    }
    TListedFile f;
    switch (SelectListedFile(list, i, ownName, f)) {
      case TSelection::Skip:
        break;
      case TSelection::Refused:
        ++refused;
        break;
      case TSelection::Fetch:
        if (targets.insert(UpperAscii(f.Target)).second) release.push_back(f);
        break;
    }
  }
  const size_t total = release.size() + refused;
  if (!stopped && !HasRoomFor(release)) return false;

  TStagedRelease staged;
  size_t failed = refused;
  uint64_t expected = 0;
  bool sized = true;
  for (const TListedFile& f : release) {
    sized = sized && f.Size >= 0;
    if (f.Size > 0) expected += static_cast<uint64_t>(f.Size);
  }
  if (sized && !release.empty()) {
    std::lock_guard<std::mutex> lock(FGaugeLock);
    FReleaseGauge.Start(expected);
    ShowReleaseProgress();
  }
  if (!stopped) StageRelease(release, staged, failed, stopped);
  {
    std::lock_guard<std::mutex> lock(FGaugeLock);
    FReleaseGauge.Stop();
  }
  // Closed while the release came in: whatever arrived goes again (a Close ends a transfer
  // part-way, and a release that is not wholly here must not be switched in).
  if (stopped || Terminated()) {
    NoteRunOutcome(TRunOutcome::FilesFailed);
    Report(StoppedLine(staged.Count(), total));
    return false;
  }
  if (failed > 0) {
    NoteRunOutcome(TRunOutcome::FilesFailed);
    Report(FilesFailedLine(failed, total));
    return false;
  }
  const size_t fetched = staged.Count();
  AddRemovalSteps(staged);
  if (!staged.Empty()) {
    // The tool never runs across a switch of releases: an old executable beside new data or
    // libraries (or the other way round) is the mix this road exists to prevent. A tool that
    // is not running needs no line saying it is being closed.
    if (IsToolRunning() && !WaitToolClosed()) {
      Report(Terminated() ? StoppedLine(fetched, total) : ToolStayedOpenLine(total));
      return false;
    }
    const TSwitchExtras extras = SwitchExtras(staged.Steps());
    std::string failure;
    if (!staged.Commit(failure)) {
      NoteRunOutcome(TRunOutcome::FilesFailed);
      Report(failure);
      Report(SwitchFailedLine(!ReadJournal().Present));
      return false;
    }
    ReportSwitched(extras);
  }
  RecordList(list);
  return true;
}

bool TDownShareFileThread::HasRoomFor(const std::vector<TListedFile>& files) {
  TReleaseSpace space;
  if (files.empty() || !MeasureReleaseSpace(files, AppPath, space) || space.Free >= space.Needed) {
    return true;
  }
  NoteRunOutcome(TRunOutcome::FilesFailed);
  Report(SpaceShortLine(space, AppPath));
  return false;
}

void TDownShareFileThread::ShowReleaseProgress() {
  // The caller holds FGaugeLock: helpers staging files at once show the gauge one at a time.
  FProgressMax = FReleaseGauge.Max();
  FProgressPos = FReleaseGauge.Position();
  Synchronize([this] { ShowProgress(); });
}

}  // namespace qvx
