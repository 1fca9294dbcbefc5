#pragma once
// The rules an update run applies to the update list and to the local version record
// data\App.info at run time: the list's name rules bound to this run's tool, and whether a
// listed file is newer on the server than on disk.
#include <string>

#include "common/date_time.h"
#include "common/list_name_rules.h"

namespace qvx {

// IsToolFile for the tool this run was started for (ToolExePath).
bool IsToolFile(const std::string& name);

// The path below AppPath that Windows opens for a listed entry, "\\" between its folders: either
// separator; empty and "." segments dropped, trailing dots and blanks of a segment dropped, ".."
// taking back the segment before it (one that climbs past the start stays as ".."); and, where a
// segment could be an 8.3 short name (it holds "~") and the file exists, the long names of the
// file that exists.
std::string ResolvedEntryPath(const std::string& relativeName);

// The final name of ResolvedEntryPath.
std::string ResolvedFinalName(const std::string& relativeName);

// The running updater's own file name, as the file that exists is called (the program may have
// been started through its short name).
std::string UpdaterFileName();

// A listed entry whose resolved final name is the updater's own, in any folder. A run that asks
// for many entries passes UpdaterFileName once.
bool NamesUpdaterFile(const std::string& relativeName,
                      const std::string& updaterName = UpdaterFileName());

// A listed entry that resolves to the running updater's file itself: its own name, no folder.
bool ReachesUpdaterFile(const std::string& relativeName,
                        const std::string& updaterName = UpdaterFileName());

// A listed entry that would reach a kept data file of this installation, by its own name or
// through the short name of the file that exists (see IsKeptDataFile and ResolvedFinalName).
bool ReachesKeptDataFile(const std::string& relativeName);

// Last-write time of AppPath + relativeName in local time, truncated to an even second; 0 when
// the file is missing or the folder search does not report it (a hidden file).
TDateTime GetLocalFileTime(const std::string& relativeName);

// True when the file is missing locally, or when the server's time (dateText:
// year-month-day-hour-minute-second, local time) less five minutes is later than its
// last-write time, compared in whole seconds (equal is not later). Never for an empty dateText
// or relativeName; false for a date text that is not six integers. EConvertError
// "''%s'' is not a valid date and time" when the six numbers form no valid moment and the file
// exists.
bool IsServerFileNewer(const std::string& relativeName, const std::string& dateText);

// Sets one Name=Value entry of AppPath + "data\App.info" (an empty value removes it), keeping
// every other line in its place. EFCreateError when the file cannot be written.
void WriteAppInfo(const std::string& name, const std::string& value);

}  // namespace qvx
