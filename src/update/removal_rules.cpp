#include "update/removal_rules.h"

#include <algorithm>
#include <exception>
#include <set>

#include "base/ascii_case.h"
#include "common/list_name_rules.h"
#include "common/integer_rule.h"
#include "common/list_removals.h"
#include "common/path_names.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "platform/crypto.h"
#include "platform/empty_folder.h"
#include "platform/file_pieces.h"
#include "platform/file_system.h"
#include "platform/long_name.h"
#include "startup/globals.h"
#include "update/update_list_rules.h"

namespace qvx {

namespace {

// A path in the form in which two names of one file compare equal here: A-Z folded, "\" only.
std::string PathKey(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return UpperAscii(path);
}

// The files below AppPath that only the updater writes.
bool IsInstallationRecord(const std::string& resolved) {
  const std::string key = PathKey(resolved);
  return key == "DATA\\APP.INFO" || key == "DATA\\UPDATE.LOG" || key == "DATA\\UPDATE.JOURNAL";
}

bool IsToolExecutable(const std::string& resolved, const std::string& target) {
  if (IsToolFile(resolved)) return true;
  if (ToolExePath.empty()) return false;
  const std::string key = PathKey(target);
  return key == PathKey(ToolExePath) || key == PathKey(LongPathName(ToolExePath));
}

// The SHA-256 of the file at path as lower-case hex; empty when it is no file that can be read
// through (missing, a folder, locked).
std::string InstalledHash(const std::string& path) {
  if (!FileExists(path)) return std::string();
  TSha256 hash;
  try {
    if (!ReadFileInPieces(path, [&hash](const char* data, size_t size) { hash.Update(data, size); })) {
      return std::string();
    }
  } catch (const std::exception&) {
    return std::string();
  }
  return hash.FinishHex();
}

// The folders of resolved (a path below AppPath) with their depth, without data\ and AppPath.
void AddFolders(const std::string& resolved, std::vector<std::pair<size_t, std::string>>& folders,
                std::set<std::string>& seen) {
  std::vector<std::string> chain;
  for (std::string folder = FolderOfPath(resolved); !folder.empty();
       folder = FolderOfPath(folder.substr(0, folder.size() - 1))) {
    chain.push_back(folder);
  }
  for (size_t i = 0; i < chain.size(); ++i) {
    const std::string key = PathKey(chain[i]);
    if (key == "DATA\\" || !seen.insert(key).second) continue;
    folders.emplace_back(chain.size() - i, AppPath + chain[i]);
  }
}

// The paths of the entries below "filecount": the files the list installs.
std::vector<std::string> ListedEntries(const TStringList& list) {
  int32_t count = 0;
  if (!TryTextToInt32(TrimBlanks(list.ValueOf("filecount")), count)) count = 0;
  std::vector<std::string> entries;
  for (int k = 0; k < list.Count(); ++k) {
    const std::string& line = list.LineAt(k);
    const size_t eq = line.find('=');
    static const std::string kKey = "filename";
    if (eq == std::string::npos || eq <= kKey.size() || eq - kKey.size() > 10 ||
        !EqualTextIgnoreCase(line.substr(0, kKey.size()), kKey)) {
      continue;
    }
    const std::string digits = line.substr(kKey.size(), eq - kKey.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    // A number at or above the count names no entry; so does one with a leading zero.
    if ((digits.size() > 1 && digits[0] == '0') || std::stoll(digits) >= count) continue;
    const std::string entry = TrimBlanks(line.substr(eq + 1));
    if (!entry.empty()) entries.push_back(entry);
  }
  return entries;
}

}  // namespace

TRemovalChoice ChooseRemovals(const TStringList& list) {
  TRemovalChoice choice;
  const std::vector<TListedRemoval> removals = ListedRemovals(list);
  // A list without removal lines costs no look at the installed files.
  if (removals.empty()) return choice;
  std::set<std::string> installed;
  for (const std::string& entry : ListedEntries(list)) installed.insert(PathKey(ResolvedEntryPath(entry)));
  const std::string updaterName = UpdaterFileName();
  std::set<std::string> chosen, folderKeys;
  std::vector<std::pair<size_t, std::string>> folders;
  for (const TListedRemoval& removal : removals) {
    const std::string& path = removal.Path;
    if (IsUnsafeRelativeName(path)) {
      choice.Lines.push_back("Skipped the removal of \"" + path +
                             "\": the name leaves the installation folder.");
      continue;
    }
    const std::string resolved = ResolvedEntryPath(path);
    const std::string target = AppPath + resolved;
    if (resolved.empty() || ReachesKeptDataFile(path) || NamesUpdaterFile(path, updaterName) ||
        IsToolExecutable(resolved, target) || IsInstallationRecord(resolved) ||
        installed.count(PathKey(resolved)) || chosen.count(PathKey(resolved))) {
      continue;
    }
    if (removal.Hashes.empty()) continue;
    const std::string hash = InstalledHash(target);
    if (hash.empty() || std::find(removal.Hashes.begin(), removal.Hashes.end(), hash) == removal.Hashes.end()) {
      continue;
    }
    chosen.insert(PathKey(resolved));
    choice.Delete.push_back(TRemovalTarget{path, target});
    AddFolders(resolved, folders, folderKeys);
  }
  // Deepest first across all removals, so a parent is tried after its children.
  std::stable_sort(folders.begin(), folders.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (auto& folder : folders) choice.Folders.push_back(std::move(folder.second));
  return choice;
}

void RemoveEmptyFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) RemoveEmptyFolder(folder);
}

}  // namespace qvx
