#pragma once
// What the update list can carry and what the updater does with an entry. Each rule answers
// with the reason as the publisher reads it, or empty text when the entry passes.
#include <string>

namespace qvx {

// The file name of the updater itself.
extern const char* const kUpdaterFileName;

// One folder or file name of a release path, in the list's 8-bit code page. Refuses what the
// list cannot carry ("=", line breaks, control bytes) and what a Windows installation folder
// cannot hold (reserved characters and device names, trailing dots and blanks).
std::string WhyNameRefused(const std::string& name);

// A whole entry as the updater reads it from the list: "\" between folders, file name last.
// Refuses paths the updater must not write (absolute, "..", ":"), names that no web server
// would find from the updater's unencoded request, and executables other than the tool's own
// that it would write over the tool.
std::string WhyEntryRefused(const std::string& entry);

// Why the updater passes over this entry ("\\" between folders); empty when it fetches it. The
// updater's own file is fetched only as "qvxupdate.exe" in the installation folder, and only
// with its hash, which every published entry has.
std::string WhyUpdaterSkips(const std::string& entry);

// The name with a-z turned into A-Z: the form in which the updater compares file names.
std::string FoldedName(const std::string& name);

// "*" matches any run of bytes, "?" any one byte; letters A-Z match either case.
bool MatchesPattern(const std::string& text, const std::string& pattern);

}  // namespace qvx
