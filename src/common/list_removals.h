#pragma once
// The removal lines of an update list: paths of the installation that a release no longer has,
// each with every content its publisher has ever listed for it. The updater deletes an
// installed copy only when its content is one of those, so a file the user changed stays.
//
//   removed<i>=<path>                         i in decimal without leading zeros, as for
//                                             filename<i>; "\" between folders
//   removedhash<i>=<sha256>[,<sha256>...]     SHA-256 of each content, 64 hex digits
//
// Read by the updater and the publisher alike: a pure text rule, no file and no global.
#include <cstdint>
#include <string>
#include <vector>

namespace qvx {

class TStringList;

struct TListedRemoval {
  int32_t Number = 0;
  std::string Path;                 // trimmed
  std::vector<std::string> Hashes;  // trimmed, lower-case, as listed (a piece may be no hash)
};

// Every "removed<i>" line of the list that has a path, in the order of i; each number once, the
// first line of a name counting, as for every key of the list.
std::vector<TListedRemoval> ListedRemovals(const TStringList& list);

// The pieces of a "removedhash" value: split at ",", trimmed, lower-case, empty ones dropped.
std::vector<std::string> SplitRemovalHashes(const std::string& value);

// 64 hexadecimal digits.
bool IsSha256Text(const std::string& text);

}  // namespace qvx
