#pragma once
// Reads a publication back (its folder, or the live server over HTTP) with the updater's own
// rules and lists what would go wrong.
#include <filesystem>
#include <string>
#include <vector>

namespace qvx {

class TPublicationSource;

struct TCheckResult {
  int FilesChecked = 0;
  std::vector<std::string> Problems;  // one line each, naming the list key or the file
  // What works but is likely not meant: a road to a file the publication lacks, a date ahead.
  std::vector<std::string> Warnings;
};

// Raises an Exception when the folder holds no readable "up.txt". Every hash line is checked
// against its file; with keys (65-byte public points) also up.txt.sig, "listserial" and that
// every file has a hash, as installations with an UpdateKey require.
TCheckResult CheckPublication(const std::filesystem::path& outDir,
                              const std::vector<std::string>& keys = {});
// The same from a folder or a live server.
TCheckResult CheckPublication(TPublicationSource& source, const std::vector<std::string>& keys = {});

}  // namespace qvx
