#include "qvxpublish/removal_plan.h"

#include <algorithm>
#include <map>
#include <set>

#include "base/ascii_case.h"
#include "common/integer_rule.h"
#include "common/list_name_rules.h"
#include "common/list_removals.h"
#include "common/name_index.h"
#include "common/text_utils.h"
#include "qvxpublish/entry_rules.h"
#include "qvxpublish/native_names.h"

namespace qvx {

namespace {

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string PathKey(const std::string& path) { return FoldedName(Backslashed(path)); }

// The listed entries of a list below its "filecount": path and hash text.
std::vector<std::pair<std::string, std::string>> ListedEntries(const TStringList& list) {
  std::vector<std::pair<std::string, std::string>> entries;
  const TNameIndex index(list);
  int32_t count = 0;
  if (!TryTextToInt32(TrimBlanks(index.ValueOf("filecount")), count)) count = 0;
  // Every entry takes a line, so a count beyond the lines names nothing more.
  count = std::min(count, list.Count());
  for (int32_t i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    const std::string path = TrimBlanks(index.ValueOf("filename" + n));
    if (!path.empty()) entries.emplace_back(path, index.ValueOf("filehash" + n));
  }
  return entries;
}

void AddHashes(TListRemoval& removal, const std::vector<std::string>& hashes) {
  for (const std::string& hash : hashes) {
    if (IsSha256Text(hash) &&
        std::find(removal.Hashes.begin(), removal.Hashes.end(), hash) == removal.Hashes.end()) {
      removal.Hashes.push_back(hash);
    }
  }
}

}  // namespace

std::string WhyNeverRemoved(const std::string& path) {
  const std::string entry = Backslashed(path);
  if (IsUnsafeRelativeName(entry)) return "the path leaves the installation folder";
  const std::string name = entry.substr(entry.find_last_of('\\') + 1);
  if (name.empty()) return "the path names a folder";
  if (IsKeptDataFile(entry)) return "it is a data file of the user";
  if (EqualTextIgnoreCase(name, kUpdaterFileName)) return "it is the updater itself";
  if (IsToolFile(entry, std::string())) return "it is the tool's executable";
  const std::string folded = FoldedName(entry);
  if (folded == "DATA\\APP.INFO" || folded == "DATA\\UPDATE.LOG")
    return "it is the installation's own record, which the updater writes";
  return std::string();
}

TRemovalPlan PlanRemovals(const TStringList& previous, const std::vector<TReleaseFile>& files,
                          const std::vector<std::string>& forget) {
  TRemovalPlan plan;
  std::map<std::string, TListRemoval> byPath;
  for (const TListedRemoval& r : ListedRemovals(previous)) {
    TListRemoval& removal = byPath[PathKey(r.Path)];
    if (removal.Path.empty()) removal.Path = Backslashed(r.Path);
    AddHashes(removal, r.Hashes);
  }
  std::set<std::string> listed, fresh;
  for (const TReleaseFile& f : files) listed.insert(PathKey(f.ListName));
  for (const auto& [path, hash] : ListedEntries(previous)) {
    const std::string key = PathKey(path);
    if (listed.count(key)) continue;
    TListRemoval& removal = byPath[key];
    if (removal.Path.empty()) {
      removal.Path = Backslashed(path);
      fresh.insert(key);
    }
    AddHashes(removal, {LowerAscii(TrimBlanks(hash))});
  }
  for (const std::string& path : forget) {
    if (byPath.erase(PathKey(path)) == 0) {
      plan.Warnings.push_back("--forget " + DisplayText(path) + ": no removal of that path to forget");
    } else {
      plan.Notes.push_back("forgot the removal of " + DisplayText(Backslashed(path)));
    }
  }
  for (auto& [key, removal] : byPath) {
    const std::string shown = DisplayText(removal.Path);
    if (listed.count(key)) {
      plan.Notes.push_back("dropped the removal of " + shown + ": the release has it again");
    } else if (const std::string why = WhyNeverRemoved(removal.Path); !why.empty()) {
      plan.Notes.push_back("no removal of " + shown + ": " + why + ", which the updater never deletes");
    } else if (removal.Hashes.empty()) {
      plan.Notes.push_back("no removal of " + shown +
                           ": no hash of it is known, so no installation could tell its copy from one "
                           "the user made");
    } else {
      if (fresh.count(key)) plan.Notes.push_back("removed " + shown + ": the older list named it");
      plan.Removals.push_back(std::move(removal));
    }
  }
  return plan;
}

bool ListNamesUpdater(const TStringList& list) {
  for (const auto& entry : ListedEntries(list)) {
    if (EqualTextIgnoreCase(Backslashed(entry.first), kUpdaterFileName)) return true;
  }
  return false;
}

}  // namespace qvx
