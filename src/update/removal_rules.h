#pragma once
// Which removal lines of an update list this installation carries out (common/list_removals.h
// has the lines). A listed path is deleted only when the installed file's content is one of the
// contents listed for it, so a file the user changed stays. Whatever a list says, these are
// never deleted: the kept data files, a path that leaves the installation folder, the updater's
// own file, the tool's executable, data\App.info, data\update.log, the commit's journal, a
// folder, and a file the same list installs.
#include <string>
#include <vector>

namespace qvx {

class TStringList;

struct TRemovalTarget {
  std::string Listed;  // the path as the list gives it, for the status line
  std::string Target;  // AppPath + the path Windows opens for it
};

struct TRemovalChoice {
  std::vector<TRemovalTarget> Delete;  // in the order of the list's numbers, each file once
  // One line per removal refused for a reason the publisher should hear of: a path that leaves
  // the installation folder. Every other refusal is silent.
  std::vector<std::string> Lines;
  // The folders the deletions may leave empty, deepest first: the folders of the deleted files
  // and theirs up to AppPath, never AppPath itself nor data\.
  std::vector<std::string> Folders;
};

// The removals of list that this installation carries out; the files the same list installs
// ("filename<i>" below "filecount") are never among them.
TRemovalChoice ChooseRemovals(const TStringList& list);

// Removes each folder that is empty now; one that is not, or cannot be removed, stays.
void RemoveEmptyFolders(const std::vector<std::string>& folders);

}  // namespace qvx
