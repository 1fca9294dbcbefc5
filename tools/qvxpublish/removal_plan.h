#pragma once
// Which removals a new update list carries: the paths that earlier releases had and this one
// has not, so that an installation that skipped releases still loses the file.
#include <string>
#include <vector>

#include "common/string_list.h"
#include "qvxpublish/release_scan.h"
#include "qvxpublish/update_list_writer.h"

namespace qvx {

struct TRemovalPlan {
  std::vector<TListRemoval> Removals;  // sorted by path, A-Z folded
  std::vector<std::string> Notes;      // for the publisher: each path newly removed or let go
  std::vector<std::string> Warnings;   // a --forget that names no removal
};

// The removals of a list that names `files` and replaces `previous` (an empty list when there
// is none):
//  - every removal of `previous`, with its hashes;
//  - every entry of `previous` that `files` does not name, with its hash, joining the hashes
//    already known for that path;
// less a path that `files` names again, one the updater never deletes (an unsafe path, a kept
// data file, the updater's or the tool's executable, data\App.info, data\update.log), one with
// no valid hash, and those `forget` names (list text). Paths compare with A-Z folded and "/"
// read as "\".
TRemovalPlan PlanRemovals(const TStringList& previous, const std::vector<TReleaseFile>& files,
                          const std::vector<std::string>& forget);

// Why the updater never deletes this path whatever a removal line says; empty when it may.
std::string WhyNeverRemoved(const std::string& path);

// True when the list names the updater's own file (qvxupdate.exe, in the installation folder).
bool ListNamesUpdater(const TStringList& list);

}  // namespace qvx
