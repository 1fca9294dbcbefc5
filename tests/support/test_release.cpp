#include "support/test_release.h"

#include <algorithm>

#include "platform/file_search.h"
#include "platform/file_system.h"
#include "platform/replacement_file.h"
#include "startup/globals.h"

namespace qvx::test {

const std::vector<TReleaseFile>& TestRelease() {
  static const std::vector<TReleaseFile> release = {
      {"tool.dll", "old library", "new library, longer than the old one"},
      {"data\\devices.ini", "[old]\r\n", "[new]\r\nkey=1\r\n"},
      {"plugin.bin", "", "added by the new release"},
      {"retired.txt", "dropped by the new release", ""},
  };
  return release;
}

void InstallOldRelease() {
  for (const TReleaseFile& f : TestRelease()) {
    if (!f.Old.empty()) {
      WriteWholeFile(AppPath + f.Name, f.Old);
    } else if (FileExists(AppPath + f.Name)) {
      DeleteFileAt(AppPath + f.Name);
    }
  }
}

void StageNewRelease() {
  for (const TReleaseFile& f : TestRelease()) {
    if (f.New.empty()) continue;
    TReplacementFile file(AppPath + f.Name);
    file.Write(f.New.data(), f.New.size());
    file.Stage(StagedName(AppPath + f.Name));
  }
}

std::vector<TCommitStep> TestReleaseSteps() {
  std::vector<TCommitStep> steps;
  for (const TReleaseFile& f : TestRelease()) {
    TCommitStep s;
    s.Target = AppPath + f.Name;
    s.Kind = f.New.empty() ? TCommitStep::TKind::Remove : TCommitStep::TKind::Replace;
    if (!f.New.empty()) s.Staged = StagedName(s.Target);
    s.Aside = AsideName(s.Target);
    steps.push_back(s);
  }
  return steps;
}

std::string ReleaseState() {
  bool allOld = true, allNew = true;
  std::string detail;
  for (const TReleaseFile& f : TestRelease()) {
    const std::string path = AppPath + f.Name;
    const bool present = FileExists(path);
    const std::string bytes = present ? ReadWholeFile(path) : "";
    const bool isOld = f.Old.empty() ? !present : present && bytes == f.Old;
    const bool isNew = f.New.empty() ? !present : present && bytes == f.New;
    allOld = allOld && isOld;
    allNew = allNew && isNew;
    detail += " " + f.Name + "=" + (isOld && isNew ? "both" : isOld ? "old" : isNew ? "new" : present ? "other" : "absent");
  }
  return allOld ? "old" : allNew ? "new" : "mixed:" + detail;
}

std::string StrayFiles() {
  std::vector<std::string> known = {"data", "Language.ini", "update.log", "qvxupdate.exe"};
  for (const TReleaseFile& f : TestRelease()) known.push_back(f.Name.substr(f.Name.rfind('\\') + 1));
  std::vector<std::string> stray;
  for (const std::string folder : {std::string(), std::string("data\\")}) {
    for (const TFolderEntry& e : SearchFolder(AppPath + folder + "*")) {
      if (e.Name == "." || e.Name == "..") continue;
      if (std::find(known.begin(), known.end(), e.Name) == known.end()) stray.push_back(folder + e.Name);
    }
  }
  std::sort(stray.begin(), stray.end());
  std::string joined;
  for (const std::string& name : stray) joined += (joined.empty() ? "" : " ") + name;
  return joined;
}

}  // namespace qvx::test
