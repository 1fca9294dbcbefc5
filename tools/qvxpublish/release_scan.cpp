#include "qvxpublish/release_scan.h"

#include <algorithm>
#include <map>

#include "common/date_fields.h"
#include "common/file_utils.h"
#include "qvxpublish/entry_rules.h"
#include "qvxpublish/native_names.h"

namespace qvx {

namespace fs = std::filesystem;

namespace {

const char kShownSeparator = static_cast<char>(fs::path::preferred_separator);

bool IsExcluded(const std::string& listPath, const std::string& name,
                const std::vector<std::string>& excludes) {
  for (const std::string& pattern : excludes) {
    const bool whole = pattern.find('\\') != std::string::npos;
    if (MatchesPattern(whole ? listPath : name, pattern)) return true;
  }
  return false;
}

class TWalker {
 public:
  TWalker(const std::vector<std::string>& excludes, TReleaseScan& scan)
      : FExcludes(excludes), FScan(scan) {}

  void Visit(const fs::path& folder, const std::string& prefix, const std::string& shownPrefix) {
    std::string coreFolder;
    if (!CorePathText(folder, coreFolder)) {
      Refuse(shownPrefix, "the folder's path cannot be written in " + ListCodePageName());
      return;
    }
    // The updater learns a file's time only through this search; what it does not report,
    // the updater treats as missing and fetches on every run.
    std::map<std::string, TFindFiles> seen;
    for (const TFindFiles& f : FindFilesInFolder(coreFolder, "*")) seen.emplace(f.Name, f);

    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      entries.push_back(*it);
    if (ec) {
      Refuse(shownPrefix, "the folder cannot be read: " + ec.message());
      return;
    }

    for (const fs::directory_entry& entry : entries) {
      const fs::path name = entry.path().filename();
      const std::string shown = shownPrefix + name.u8string();
      std::string listName;
      if (!NameToListText(name, listName)) {
        Refuse(shown, "its name holds a character that " + ListCodePageName() + " cannot hold");
        continue;
      }
      const std::string listPath = prefix + listName;
      if (IsExcluded(listPath, listName, FExcludes)) continue;

      const fs::file_status linkStatus = entry.symlink_status(ec);
      const fs::file_status status = entry.status(ec);
      if (fs::is_directory(status)) {
        if (fs::is_symlink(linkStatus)) {
          FScan.LeftOut.push_back(shown + ": a link to a folder is not followed");
        } else if (listName[0] == '.') {
          FScan.LeftOut.push_back(shown + ": a folder whose name begins with \".\"");
        } else if (const std::string why = WhyNameRefused(listName); !why.empty()) {
          Refuse(shown, why);
        } else {
          Visit(entry.path(), listPath + "\\", shown + kShownSeparator);
        }
        continue;
      }
      if (!fs::is_regular_file(status)) {
        FScan.LeftOut.push_back(shown + ": not a regular file");
        continue;
      }
      std::string coreName;
      CorePathText(name, coreName);
      const auto found = seen.find(coreName);
      if (found == seen.end()) {
        FScan.LeftOut.push_back(shown +
                                ": a hidden file; the updater cannot see its date and would fetch "
                                "it on every run");
        continue;
      }
      if (std::string why = WhyNameRefused(listName); !why.empty()) {
        Refuse(shown, why);
        continue;
      }
      if (std::string why = WhyEntryRefused(listPath); !why.empty()) {
        Refuse(shown, why);
        continue;
      }
      if (std::string why = WhyUpdaterSkips(listPath); !why.empty()) {
        FScan.LeftOut.push_back(shown + ": " + why);
        continue;
      }
      // What the updater writes for one installation must not be handed to every other.
      if (FoldedName(listPath) == "DATA\\UPDATE.LOG" || FoldedName(listPath) == "DATA\\APP.INFO") {
        FScan.LeftOut.push_back(shown + ": the installation's own record, which the updater writes");
        continue;
      }
      if (found->second.Size == 0) {
        Refuse(shown, "the file is empty, and the updater cannot fetch an empty file; leave it out "
                      "with --exclude");
        continue;
      }
      const TDateFields when = DecodeDateTime(found->second.Timestamp);
      if (found->second.Timestamp <= 0 || when.Year < 1980 || when.Year > 2107) {
        Refuse(shown,
               "its last-write time lies outside the years 1980 to 2107, for which the updater "
               "finds no date; give it a current time");
        continue;
      }
      FScan.Files.push_back(TReleaseFile{entry.path(), listPath, listName, shown,
                                         found->second.Timestamp, found->second.Size, std::string()});
    }
  }

 private:
  void Refuse(const std::string& shown, const std::string& why) {
    FScan.Refusals.push_back((shown.empty() ? std::string(".") : shown) + ": " + why);
  }

  const std::vector<std::string>& FExcludes;
  TReleaseScan& FScan;
};

// The server holds every file directly below the base URL, under its file name alone.
void RefuseClashes(TReleaseScan& scan) {
  std::map<std::string, const TReleaseFile*> byName;
  for (const TReleaseFile& f : scan.Files) {
    const auto [it, fresh] = byName.emplace(FoldedName(f.FileName), &f);
    if (!fresh)
      scan.Refusals.push_back(it->second->Shown + " and " + f.Shown +
                              ": both have the file name " + DisplayText(f.FileName) +
                              ", but the server holds every file under its file name alone");
  }
  for (const TReleaseFile& f : scan.Files) {
    const std::string folded = FoldedName(f.FileName);
    if (folded == "UP.TXT" || folded == "UP.TXT.GZ") {
      scan.Refusals.push_back(f.Shown + ": the name of the update list itself");
      continue;
    }
    // With packed bodies on, a web server sends "x.gz" as the packed form of "x".
    if (folded.size() > 3 && folded.compare(folded.size() - 3, 3, ".GZ") == 0) {
      const auto plain = byName.find(folded.substr(0, folded.size() - 3));
      if (plain != byName.end())
        scan.Refusals.push_back(f.Shown + ": a web server would send it as the packed form of " +
                                plain->second->Shown);
    }
  }
}

}  // namespace

TReleaseScan ScanRelease(const fs::path& root, const std::vector<std::string>& excludes) {
  TReleaseScan scan;
  TWalker(excludes, scan).Visit(root, std::string(), std::string());
  std::sort(scan.Files.begin(), scan.Files.end(), [](const TReleaseFile& a, const TReleaseFile& b) {
    const std::string fa = FoldedName(a.ListName), fb = FoldedName(b.ListName);
    return fa != fb ? fa < fb : a.ListName < b.ListName;
  });
  RefuseClashes(scan);
  return scan;
}

}  // namespace qvx
