#pragma once
// A release put in place in one step. Every new file is first staged, complete and on the disk,
// beside its target; the switch is recorded in a journal (data\update.journal) that is on the
// disk before the first rename, then each old copy is moved aside, each staged file moved in,
// and the set-aside copies and the journal deleted. A failure part-way undoes what was done; a
// process killed part-way leaves the journal, and the next run finishes the switch from it
// (forward when every new file is still there, back otherwise) before it does anything else.
//
// The journal is read back as untrusted input: a step whose target lies outside the
// installation (AppPath, or beside ToolExePath), or whose staged or set-aside name is not the
// one this module gives its target, makes the journal damaged, and a damaged journal moves
// nothing.
#include <functional>
#include <string>
#include <vector>

namespace qvx {

// One file of a release switch.
struct TCommitStep {
  enum class TKind { Replace, Remove };
  TKind Kind = TKind::Replace;
  std::string Target;  // the installed file, full path as the worker builds it (AppPath + name, or ToolExePath)
  std::string Staged;  // Replace: StagedName(Target), complete and flushed; Remove: empty
  std::string Aside;   // where the old copy is set aside: AsideName(Target)
  // The set-aside copy cannot be deleted by this process (the running updater's own file on
  // Windows): the commit leaves it, and the next run deletes it (DeleteKeptAside).
  bool KeepAside = false;
  // Written by CommitRelease into the journal, ignored on input: whether Target held an old
  // copy when the switch began. It tells a rollback whether a file at Target is the old copy
  // that never moved, or a new file that must go.
  bool HadOld = false;
};

std::string JournalPath();                          // AppPath + "data\\update.journal"
// The staged file beside target: a temporary-file name, so the leftover sweep removes one that
// a killed staging run left.
std::string StagedName(const std::string& target);
// The set-aside name beside target: "." + name + ".qvxold". Not a temporary-file name: while a
// journal names it, it may be the only copy of the old release.
std::string AsideName(const std::string& target);
bool IsAsideFileName(const std::string& name);

// Puts a release in place in one step:
//  1. writes the journal (every step: kind, target, staged, aside, flags) and puts it on the
//     disk before the first rename (a temporary name, flushed, renamed into place);
//  2. moves each existing old copy aside (a Remove moves its target aside too; a missing
//     target is no failure: a new file, or nothing to remove);
//  3. moves each staged file in;
//  4. deletes the set-aside copies (except KeepAside ones), then the journal.
// A failure in 2 or 3 (a rename refused after the platform's locked-file retry) undoes what was
// done: new copies out, old copies back, staged files deleted, journal deleted; the
// installation is then wholly the old release. Steps that cannot be switched at all (a target
// outside the installation or a folder, a staged file missing, a target listed twice, an
// unfinished earlier journal) are refused before anything is touched. Returns true when
// committed; false with `failure` set to one line naming the file and the system's reason. On
// false the staged files are gone, except when an earlier journal is still there (they may be
// its files). When the undoing itself fails, the journal stays and the next run finishes it. A
// failure to delete an aside copy in step 4 is no failure: the release is in place, and the
// copy is left for the next run.
bool CommitRelease(const std::vector<TCommitStep>& steps, std::string& failure);

// The journal a killed run left.
struct TJournal {
  enum class TState { Commit, RollingBack, RollingForward };
  bool Present = false;   // a file is at JournalPath()
  bool Complete = false;  // it reads whole, and every step in it is one this module writes
  bool ReadFailed = false;  // present but could not be read (held open): left for a later run
  TState State = TState::Commit;
  std::vector<TCommitStep> Steps;  // when not Complete: only the steps that read and check out
};
TJournal ReadJournal();

// Finishes a journal a killed run left: rolled forward when every staged file that is not yet
// in place is still there, rolled back otherwise; then the journal is deleted. The direction is
// written into the journal before the first file moves, so a recovery that is itself killed is
// taken up again the same way (running it again is safe). A damaged journal only has the
// staged files of its readable steps deleted (no rename of a switch happens before a journal is
// whole on the disk), then goes. When a file cannot be moved, the journal stays for the next
// run: Unfinished, with `failure` saying which file and why.
enum class TRecoveryResult { None, RolledForward, RolledBack, Discarded, Unfinished };
TRecoveryResult RecoverRelease(const TJournal& journal, std::string* failure = nullptr);

// The status line for a recovery's result (empty for None).
std::string RecoveryLine(TRecoveryResult result, const std::string& failure);
// Whether a journal moves the tool's executable (ToolExePath, or a tool file by its name), so
// the tool must be closed before it is finished.
bool JournalNamesTool(const TJournal& journal);

// Deletes the set-aside copies in folder (ending with its delimiter) that an earlier switch had
// to leave (KeepAside, or a copy held open at the time), when their file is there; one whose
// file is missing stays. Nothing while a journal is present: its set-aside copies may be the
// old release. Returns how many went; never raises.
size_t DeleteKeptAside(const std::string& folder);

// Test hook: called after each numbered step of CommitRelease (0 = journal on the disk; 1..N
// after each step's move aside; N+1..2N after each move in; 2N+1 after the set-aside copies
// went, before the journal goes; when a rename failed, 2N+2.. after each step undone, the last
// step first) and of RecoverRelease (0 = direction written; 1..N after each step, forward in
// order or back from the last; N+1 after the set-aside copies went, forward only). A test makes it end the process to stand for a
// kill. Empty: no hook.
void SetCommitStepHookForTesting(std::function<void(int step)> hook);

}  // namespace qvx
