#pragma once
// The journal of a release switch as bytes, and the rules that every path in it keeps; used by
// release_commit.cpp on the way out (steps handed in) and on the way back (a journal read).
#include <string>
#include <vector>

#include "update/release_commit.h"

namespace qvx {

// A journal larger than this is not read: no installation lists that many files, and the whole
// journal is held in memory while it is checked.
constexpr int64_t kJournalMaxBytes = 32 << 20;

std::string JournalBytes(const std::vector<TCommitStep>& steps, TJournal::TState state);
// Reads bytes as a journal: Complete only when every line is in place, the end line's count and
// checksum match, and every step keeps CheckStep.
TJournal ParseJournal(const std::string& bytes);

// Empty when step may be part of a switch: its target lies in the installation (below AppPath,
// or ToolExePath or a file beside it), is not the journal, and holds no control character; its
// staged and set-aside names are StagedName and AsideName of the target. Otherwise the reason.
std::string CheckStep(const TCommitStep& step);

// The name of the file whose set-aside copy is asideName (IsAsideFileName holds).
std::string TargetNameOfAside(const std::string& asideName);

}  // namespace qvx
