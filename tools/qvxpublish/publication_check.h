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

// Raises an Exception when the folder holds no readable "up.txt".
TCheckResult CheckPublication(const std::filesystem::path& outDir);

}  // namespace qvx
