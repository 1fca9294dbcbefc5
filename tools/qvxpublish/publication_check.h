#pragma once
// Reads a published folder back with the updater's own rules and lists what would go wrong.
#include <filesystem>
#include <string>
#include <vector>

namespace qvx {

struct TCheckResult {
  int FilesChecked = 0;
  std::vector<std::string> Problems;  // one line each, naming the list key or the file
};

// Raises an Exception when the folder holds no readable "up.txt". Every hash line is checked
// against its file; with keys (65-byte public points) also up.txt.sig, "listserial" and that
// every file has a hash, as installations with an UpdateKey require.
TCheckResult CheckPublication(const std::filesystem::path& outDir,
                              const std::vector<std::string>& keys = {});

}  // namespace qvx
