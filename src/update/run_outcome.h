#pragma once
// How a run of the updater ended, as the program's exit code tells a script: the worker notes
// what went wrong while it runs, and the entry returns the worst of it once the window closed.
namespace qvx {

enum class TRunOutcome : int {
  Done = 0,          // up to date, or updated, or the installer started
  FilesFailed = 1,   // some files could not be fetched or saved, or an error ended the run
  ListFailed = 2,    // the update list could not be fetched or was refused
  BadArguments = 3,  // the launch arguments were not understood; nothing was run
};

// Forgets what an earlier run noted (a Retry starts afresh).
void ResetRunOutcome();
// Keeps the worse of the noted outcome and this one. Any thread.
void NoteRunOutcome(TRunOutcome outcome);
TRunOutcome RunOutcome();
int RunExitCode();

}  // namespace qvx
