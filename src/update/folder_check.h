#pragma once
// Before anything is fetched into a folder, whether it can be written at all: a read-only
// installation is then told so once, in one line that says what to do, instead of downloading
// every file only to fail at saving each. One check per folder and run.
#include <map>
#include <string>

namespace qvx {

class TFolderWriteCheck {
 public:
  // True when a file may be saved at target. False when its folder refuses new files; line is
  // then the one to show, the first time that folder is refused, and empty after that. A target
  // whose folder does not exist (or is the current one) is left to the save to report.
  bool MaySave(const std::string& target, std::string& line);

  static std::string RefusalLine(const std::string& folder);

 private:
  std::map<std::string, bool> FVerdicts;  // by folder, A-Z folded
};

}  // namespace qvx
