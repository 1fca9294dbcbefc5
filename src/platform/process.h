#pragma once
// Starting other programs, without waiting for them. On Windows the shell's "OPEN" and
// WinExec; elsewhere posix_spawn of a detached process (its own session, reaped by us), with
// every "\" of a path turned into "/".
#include <string>

namespace qvx {

// Opens path through the shell with the operation "OPEN" and the parameters (none when empty),
// shown normally; owner is the window that owns any message the shell shows (may be null).
// Outside Windows only executable files can be opened. False when nothing was started.
bool ShellOpen(const std::string& path, const std::string& parameters, void* owner = nullptr);

// Starts a program by command line, shown normally. An unquoted program path with blanks is
// resolved as Windows does: the shortest blank-separated prefix that names an existing file;
// outside Windows only a file that may be executed is started. False when nothing was started.
bool RunCommandLine(const std::string& commandLine);

// Starts exactly the program file at path, without arguments, shown normally: never a program
// named like the first word of a folder with a blank. Outside Windows that file, and no other,
// gets its owner's execute bit when it lacks it (a downloaded program arrives as plain bytes,
// and Windows starts any program file). False when nothing was started.
bool RunProgram(const std::string& path);

}  // namespace qvx
