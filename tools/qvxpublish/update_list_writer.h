#pragma once
// The update list a publication serves as "up.txt".
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/string_list.h"
#include "qvxpublish/release_scan.h"

namespace qvx {

// A path that installations delete when their copy is one of the contents listed for it
// (common/list_removals.h has the lines).
struct TListRemoval {
  std::string Path;                 // list text, "\\" between folders
  std::vector<std::string> Hashes;  // lower-case hex, each once
};

struct TListSettings {
  int32_t SetupId = 0;
  int32_t LastSetupId = -1;  // what the updater assumes when the key is missing
  std::optional<int32_t> LiteSetupId;
  std::optional<int32_t> LiteLastSetupId;
  std::optional<std::string> AppDate;  // list text; default: the newest file's date
  // Grows with every publication; a signed list with a lower one than an installation last
  // used is refused there.
  uint64_t ListSerial = 1;
  // "listexpires": the UTC moment (YYYY-MM-DDTHH:MM:SSZ) after which installations with a key
  // refuse the list, so a server frozen on an old list is noticed; none when empty.
  std::string ListExpires;
  // SHA-256 of the installer and the tool's executable, which the updater fetches by name
  // outside the file list; empty: not listed.
  std::string SetupHash;
  std::string ToolHash;
  // Size of the tool's executable as installed; negative: not listed.
  int64_t ToolSize = -1;
  // "wholerelease=1": updaters stage every file first and switch them in one step. Off, the
  // list is applied file by file, each file in place the moment it arrives.
  bool WholeRelease = true;
  // Written after the entries as removed<i> and removedhash<i>, numbered from 0 in this order.
  std::vector<TListRemoval> Removals;
};

// Six numbers joined by "-": year, month, day, hour, minute, second, without leading zeros.
std::string FormatListDate(TDateTime value);

// The "filedate" to list for a file whose local time (as the updater's search reports it) is
// this. The updater fetches a file when the listed time less five minutes is later than the
// copy's time; listing the time plus 4 min 59 s makes an installation that has this very copy
// skip it and one whose copy is older by one two-second step or more fetch it, with a second of
// margin against rounding in either direction.
std::string ServerDateFor(TDateTime localTime);

// Every entry carries its "filehash" (TReleaseFile::Sha256, when set) and its "filesize"; old
// updaters ignore the hash and size lines, "listserial" and "wholerelease".
TStringList BuildUpdateList(const std::vector<TReleaseFile>& files, const TListSettings& settings);

}  // namespace qvx
