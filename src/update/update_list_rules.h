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

// The final name of a listed entry as Windows resolves it below AppPath: the part after the last
// "\\" or "/"; where that could be an 8.3 short name (it holds "~") and a file exists there, the
// long name of that file.
std::string ResolvedFinalName(const std::string& relativeName);

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
