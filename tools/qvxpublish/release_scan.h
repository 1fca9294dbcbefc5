#pragma once
// The walk of a release folder: which files a publication lists, what it leaves out and why,
// and which entries the update list cannot carry.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/date_time.h"

namespace qvx {

struct TReleaseFile {
  std::filesystem::path Source;
  std::string ListName;  // 8-bit list text, "\" between folders
  std::string FileName;  // the part after the last "\": the name on the server
  std::string Shown;     // the path below the release folder as the publisher's system writes it
  TDateTime Timestamp;   // local last-write time as the updater's file search reports it
  int64_t Size;
  std::string Sha256;    // lower-case hex of the content; set when the file is read to publish
};

struct TReleaseScan {
  std::vector<TReleaseFile> Files;  // sorted by list name
  std::vector<std::string> LeftOut;   // "name: reason", for the publisher's information
  std::vector<std::string> Refusals;  // "name: reason"; any refusal stops the publication
};

// Patterns are list text with "\" between folders. One without "\" matches any file or folder
// name; one with "\" matches a path from the release folder.
TReleaseScan ScanRelease(const std::filesystem::path& root, const std::vector<std::string>& excludes);

}  // namespace qvx
