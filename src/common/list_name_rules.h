#pragma once
// The rules on names in an update list that both the updater and the publisher apply: which
// files an update never replaces and which names it never writes. Pure text rules: they read
// no file and no global, so a program that publishes lists links them without the updater.
#include <string>

namespace qvx {

// "keysData.rif" and "remote.db" (A-Z folded) belong to the user and are never replaced.
// fileName may carry folders, separated by "\\" or "/"; trailing dots and blanks do not count.
bool IsKeptDataFile(const std::string& fileName);

// A listed name that could leave the installation folder: absolute, naming a stream or drive
// with ":", or climbing with a ".." segment. The update run never writes such an entry.
bool IsUnsafeRelativeName(const std::string& name);

// The tool's executable among the listed files, for a tool saved at toolExePath (may be empty):
// the name part of toolExePath, or a name that holds "qvxtool" and ends in ".exe".
bool IsToolFile(const std::string& name, const std::string& toolExePath);

}  // namespace qvx
