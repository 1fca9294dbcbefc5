#include "update/folder_check.h"

#include "common/path_names.h"
#include "platform/file_system.h"
#include "platform/folder_probe.h"

namespace qvx {

bool TFolderWriteCheck::MaySave(const std::string& target, std::string& line) {
  line.clear();
  const std::string folder = FolderOfPath(target);
  if (folder.empty() || !FolderExists(folder)) return true;
  std::string key = folder;
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const auto known = FVerdicts.find(key);
  if (known != FVerdicts.end()) return known->second;
  const bool writable = FolderAcceptsNewFiles(folder);
  FVerdicts.emplace(key, writable);
  if (!writable) line = RefusalLine(folder);
  return writable;
}

std::string TFolderWriteCheck::RefusalLine(const std::string& folder) {
  return "The folder " + folder +
         " cannot be written, so nothing is fetched into it: run the tool's installer, or install "
         "the tool in a folder its user can write.";
}

}  // namespace qvx
