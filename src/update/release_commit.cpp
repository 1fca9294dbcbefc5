#include "update/release_commit.h"

#include <exception>
#include <set>

#include "base/ascii_case.h"
#include "common/list_name_rules.h"
#include "common/path_names.h"
#include "platform/file_append.h"
#include "platform/file_moves.h"
#include "platform/file_search.h"
#include "platform/file_system.h"
#include "platform/path_delimiter.h"
#include "platform/replacement_file.h"
#include "startup/globals.h"
#include "update/release_journal.h"

namespace qvx {
namespace {

std::function<void(int)> gStepHook;

void Step(int number) {
  if (gStepHook) gStepHook(number);
}

std::string FolderPart(const std::string& path) {
  const size_t cut = LastPathDelimiter(path, true);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// The system's reason as the end of a sentence: the texts of one platform end with a full stop,
// those of the other do not.
std::string Reason(const std::exception& e) {
  std::string text = e.what();
  if (text.empty() || text.back() != '.') text += '.';
  return text;
}

// Every file operation of a switch: false, with `failure` set to a line naming the files and
// the system's reason, when the platform refused it.
bool Move(const std::string& from, const std::string& to, std::string& failure) {
  try {
    MoveFileNoReplace(from, to);
    return true;
  } catch (const std::exception& e) {
    failure = "Cannot move \"" + from + "\" to \"" + to + "\". " + Reason(e);
    return false;
  }
}

bool Delete(const std::string& path, std::string& failure) {
  if (!FileExists(path)) return true;
  try {
    DeleteFileAt(path);
    return true;
  } catch (const std::exception& e) {
    failure = "Cannot delete \"" + path + "\". " + Reason(e);
    return false;
  }
}

void DeleteQuietly(const std::string& path) {
  std::string ignored;
  Delete(path, ignored);
}

// Makes the names created and moved so far in the switch's folders durable. A file system that
// cannot flush a folder is no reason to refuse an update: the journal itself is flushed as a
// file, and a lost rename is found by the recovery as a file still staged.
void FlushFolders(const std::vector<TCommitStep>& steps) {
  std::set<std::string> folders = {FolderPart(JournalPath())};
  for (const TCommitStep& s : steps) folders.insert(FolderPart(s.Target));
  for (const std::string& folder : folders) {
    try {
      FlushFolder(folder);
    } catch (const std::exception&) {
    }
  }
}

void WriteJournal(const std::vector<TCommitStep>& steps, TJournal::TState state) {
  const std::string bytes = JournalBytes(steps, state);
  TReplacementFile file(JournalPath());
  file.Write(bytes.data(), bytes.size());
  file.Commit();
  try {
    FlushFolder(FolderPart(JournalPath()));
  } catch (const std::exception&) {
  }
}

bool DeleteJournal(std::string& failure) {
  if (!Delete(JournalPath(), failure)) return false;
  try {
    FlushFolder(FolderPart(JournalPath()));
  } catch (const std::exception&) {
  }
  return true;
}

// Only the staged files of steps that check out: a step's paths may come from a damaged journal.
void DeleteStaged(const std::vector<TCommitStep>& steps) {
  for (const TCommitStep& s : steps)
    if (s.Kind == TCommitStep::TKind::Replace && CheckStep(s).empty()) DeleteQuietly(s.Staged);
}

// Puts one step back the way it was before the switch, from whatever point it reached; doing it
// again after it succeeded changes nothing. The files tell the point: a set-aside copy means the
// old copy moved, a missing staged file that the new copy moved in.
bool UndoStep(const TCommitStep& s, std::string& failure) {
  const bool staged = s.Kind == TCommitStep::TKind::Replace && FileExists(s.Staged);
  if (s.HadOld && FileExists(s.Aside)) {
    if (FileExists(s.Target)) {
      // Only a copy that was moved in may be deleted: with the staged file still there, the file
      // at the target came from elsewhere.
      if (staged) {
        failure = "Cannot put \"" + s.Target + "\" back: another file took its place.";
        return false;
      }
      if (s.Kind == TCommitStep::TKind::Replace && !Delete(s.Target, failure)) return false;
    }
    if (!FileExists(s.Target) && !Move(s.Aside, s.Target, failure)) return false;
  } else if (!s.HadOld && s.Kind == TCommitStep::TKind::Replace && !staged && FileExists(s.Target)) {
    // A new file that had moved in.
    if (!Delete(s.Target, failure)) return false;
  }
  return !staged || Delete(s.Staged, failure);
}

// Undoes every step, the last first, and goes on past a step that fails so as much as possible
// is back; false with the first failure when any step failed. The hook sees firstNumber for the
// first step undone, and one more for each after it.
bool UndoSteps(const std::vector<TCommitStep>& steps, std::string& failure, int firstNumber) {
  bool all = true;
  int number = firstNumber;
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    std::string stepFailure;
    if (!UndoStep(*it, stepFailure) && all) {
      all = false;
      failure = stepFailure;
    }
    Step(number++);
  }
  return all;
}

// Takes one step the rest of the way forward, from whatever point it reached.
bool RedoStep(const TCommitStep& s, std::string& failure) {
  if (s.Kind == TCommitStep::TKind::Remove) {
    if (s.HadOld && FileExists(s.Target) && !FileExists(s.Aside)) return Move(s.Target, s.Aside, failure);
    return true;
  }
  if (!FileExists(s.Staged)) return true;  // moved in before (the decision saw its target)
  if (FileExists(s.Target)) {
    if (!s.HadOld || FileExists(s.Aside)) {
      failure = "Cannot put \"" + s.Target + "\" in place: another file took its place.";
      return false;
    }
    if (!Move(s.Target, s.Aside, failure)) return false;
  }
  return Move(s.Staged, s.Target, failure);
}

// Whether every new copy is still there: staged, or moved in already.
bool CanRedo(const std::vector<TCommitStep>& steps) {
  for (const TCommitStep& s : steps)
    if (s.Kind == TCommitStep::TKind::Replace && !FileExists(s.Staged) && !FileExists(s.Target)) return false;
  return true;
}

std::string CheckForCommit(const std::vector<TCommitStep>& steps) {
  std::set<std::string> targets;
  for (const TCommitStep& s : steps) {
    const std::string problem = CheckStep(s);
    if (!problem.empty()) return problem;
    if (!targets.insert(UpperAscii(s.Target)).second) return "\"" + s.Target + "\" is listed twice";
    if (FolderExists(s.Target)) return "\"" + s.Target + "\" is a folder";
    if (s.Kind == TCommitStep::TKind::Replace && !FileExists(s.Staged))
      return "the new copy of \"" + s.Target + "\" is missing";
  }
  return "";
}

}  // namespace

void SetCommitStepHookForTesting(std::function<void(int step)> hook) { gStepHook = std::move(hook); }

bool CommitRelease(const std::vector<TCommitStep>& input, std::string& failure) {
  failure.clear();
  if (input.empty()) return true;
  std::vector<TCommitStep> steps = input;
  if (FileExists(JournalPath())) {
    // Its staged files may be these very names: nothing is touched until it is finished.
    failure = "An earlier update is still unfinished (" + JournalPath() + "); nothing was changed.";
    return false;
  }
  std::string problem = CheckForCommit(steps);
  // A journal its own recovery would not read must not be written.
  if (problem.empty() && JournalBytes(steps, TJournal::TState::Commit).size() > size_t(kJournalMaxBytes))
    problem = "its record would be larger than " + std::to_string(kJournalMaxBytes >> 20) + " MiB";
  if (!problem.empty()) failure = "The release cannot be put in place: " + problem + ".";
  // A set-aside copy that an earlier switch left would be taken for this switch's old copy: it
  // goes first, and a switch whose set-aside name stays taken by a file does not start.
  for (size_t i = 0; failure.empty() && i < steps.size(); ++i) {
    if (!Delete(steps[i].Aside, failure)) break;
    steps[i].HadOld = FileExists(steps[i].Target);
  }
  if (!failure.empty()) {
    DeleteStaged(steps);
    return false;
  }
  FlushFolders(steps);
  try {
    WriteJournal(steps, TJournal::TState::Commit);
  } catch (const std::exception& e) {
    failure = "Cannot write \"" + JournalPath() + "\". " + Reason(e);
    DeleteStaged(steps);
    return false;
  }
  Step(0);

  const int n = static_cast<int>(steps.size());
  bool moved = true;
  for (int i = 0; moved && i < n; ++i) {
    const TCommitStep& s = steps[i];
    if (s.HadOld) moved = Move(s.Target, s.Aside, failure);
    if (moved) Step(1 + i);
  }
  for (int i = 0; moved && i < n; ++i) {
    const TCommitStep& s = steps[i];
    if (s.Kind == TCommitStep::TKind::Replace) moved = Move(s.Staged, s.Target, failure);
    if (moved) Step(1 + n + i);
  }
  if (!moved) {
    // The direction goes on the disk before the first file moves back: a kill while undoing must
    // not be finished forward from files that are half back.
    try {
      WriteJournal(steps, TJournal::TState::RollingBack);
    } catch (const std::exception&) {
    }
    std::string undoFailure;
    if (UndoSteps(steps, undoFailure, 2 * n + 2) && DeleteJournal(undoFailure)) return false;
    failure += " Undoing the update failed as well: " + undoFailure +
               " The next run of the updater finishes undoing it.";
    return false;
  }
  FlushFolders(steps);
  for (const TCommitStep& s : steps)
    if (!s.KeepAside) DeleteQuietly(s.Aside);
  Step(2 * n + 1);
  std::string ignored;
  // A journal that stays is finished forward by the next run, which finds everything in place.
  DeleteJournal(ignored);
  return true;
}

TJournal ReadJournal() {
  const std::string path = JournalPath();
  if (!FileExists(path)) return TJournal();
  TJournal unread;
  unread.Present = true;
  if (FileSizeAt(path) > kJournalMaxBytes) return unread;
  try {
    return ParseJournal(ReadWholeFile(path));
  } catch (const std::exception&) {
    unread.ReadFailed = true;
    return unread;
  }
}

TRecoveryResult RecoverRelease(const TJournal& journal, std::string* failure) {
  std::string local;
  std::string& why = failure ? *failure : local;
  why.clear();
  if (!journal.Present) return TRecoveryResult::None;
  if (journal.ReadFailed) {
    why = "\"" + JournalPath() + "\" cannot be read.";
    return TRecoveryResult::Unfinished;
  }
  if (!journal.Complete) {
    DeleteStaged(journal.Steps);
    return DeleteJournal(why) ? TRecoveryResult::Discarded : TRecoveryResult::Unfinished;
  }
  const std::vector<TCommitStep>& steps = journal.Steps;
  const int n = static_cast<int>(steps.size());
  bool forward = journal.State == TJournal::TState::RollingForward ||
                 (journal.State == TJournal::TState::Commit && CanRedo(steps));
  // The direction goes on the disk before any file moves, so a recovery that is killed is taken
  // up again the same way; without it nothing moves.
  const TJournal::TState direction = forward ? TJournal::TState::RollingForward : TJournal::TState::RollingBack;
  if (journal.State != direction) {
    try {
      WriteJournal(steps, direction);
    } catch (const std::exception& e) {
      why = "Cannot write \"" + JournalPath() + "\". " + Reason(e);
      return TRecoveryResult::Unfinished;
    }
  }
  Step(0);
  if (forward) {
    bool done = true;
    for (int i = 0; done && i < n; ++i) {
      done = RedoStep(steps[i], why);
      if (done) Step(1 + i);
    }
    if (done) {
      FlushFolders(steps);
      // The process that had to keep a set-aside copy is gone by now.
      for (const TCommitStep& s : steps) DeleteQuietly(s.Aside);
      Step(n + 1);
      return DeleteJournal(why) ? TRecoveryResult::RolledForward : TRecoveryResult::Unfinished;
    }
    // A file that cannot be moved in turns the recovery back, as it turns a commit back.
    try {
      WriteJournal(steps, TJournal::TState::RollingBack);
    } catch (const std::exception& e) {
      why += " Cannot write \"" + JournalPath() + "\". " + Reason(e);
      return TRecoveryResult::Unfinished;
    }
  }
  std::string undoFailure;
  if (!UndoSteps(steps, undoFailure, 1)) {
    why = why.empty() ? undoFailure : why + " " + undoFailure;
    return TRecoveryResult::Unfinished;
  }
  FlushFolders(steps);
  return DeleteJournal(why) ? TRecoveryResult::RolledBack : TRecoveryResult::Unfinished;
}

std::string RecoveryLine(TRecoveryResult result, const std::string& failure) {
  switch (result) {
    case TRecoveryResult::RolledForward:
      return "An interrupted update was completed.";
    case TRecoveryResult::RolledBack:
      return "An interrupted update was undone; the installation is as it was before.";
    case TRecoveryResult::Discarded:
      return "The record of an interrupted update was damaged; its downloaded files were removed "
             "and nothing else was changed.";
    case TRecoveryResult::Unfinished:
      return "An interrupted update could not be finished: " + failure +
             " Nothing else was done; try again when the file is free.";
    case TRecoveryResult::None:
      break;
  }
  return "";
}

bool JournalNamesTool(const TJournal& journal) {
  for (const TCommitStep& s : journal.Steps) {
    if ((!ToolExePath.empty() && EqualTextIgnoreCase(s.Target, ToolExePath)) ||
        IsToolFile(NameOfPath(s.Target), ToolExePath))
      return true;
  }
  return false;
}

size_t DeleteKeptAside(const std::string& folder) {
  size_t removed = 0;
  try {
    if (FileExists(JournalPath())) return 0;
    for (const TFolderEntry& entry : SearchFolder(folder + "*")) {
      if ((entry.Attributes & kFileAttrDirectory) || !IsAsideFileName(entry.Name)) continue;
      // Without its file beside it, a set-aside copy may be the only one left (of a journal that
      // was damaged and discarded), or a removed file that was held open: it neither goes, nor
      // comes back as if the release had not removed it.
      if (!FileExists(folder + TargetNameOfAside(entry.Name))) continue;
      std::string ignored;
      if (Delete(folder + entry.Name, ignored)) ++removed;
    }
  } catch (const std::exception&) {
    // Still held, or not ours to delete: it stays, and is tried next time.
  }
  return removed;
}

}  // namespace qvx
