#pragma once
// Moving files within their folders for a switch of releases, and putting what was written on
// the disk before a step that relies on it. Paths as in file_system.h; failures raise EOSError
// with the platform's text.
#include <string>

namespace qvx {

// Renames the file at from to to, which must not exist: a file or folder already at to is a
// failure, never replaced, and so is a folder at from. A running program or a loaded library can be renamed on Windows.
// There a file held open for a moment (a tool that has just closed, a virus scanner) is tried
// again for a few seconds, as TReplacementFile's Commit does, and the move is written through
// to the disk.
void MoveFileNoReplace(const std::string& from, const std::string& to);

// Puts an existing file's bytes on the disk.
void FlushFile(const std::string& path);

// Puts a folder's entries (names created, renamed or deleted in it) on the disk, so a step
// taken after it can rely on them after a power loss. Nothing to do on Windows, where every
// move is written through.
void FlushFolder(const std::string& folder);

}  // namespace qvx
