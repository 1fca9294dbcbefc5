#pragma once
// An installation folder for whole update runs: a fresh folder with its own message file, and the
// run's globals pointed at it (the folder, language 1, the updater's own path inside it, no tool
// path, the setup-id keys of the test lists). Enter may be called again on the same folder to
// start the next case of a table afresh.
#include <string>

#include "support/temp_folder.h"

namespace qvx::test {

// data\Language.ini of a test installation: the status lines a run shows.
extern const char kTestLanguageIni[];

class TTestInstallation : public TTempFolder {
 public:
  void Enter();
  // Forgets the message file read from the folder, and the updater's path.
  void Leave();
};

}  // namespace qvx::test
