#pragma once
// An installation of the real updater for whole-program runs, and a release published for it
// with qvxpublish on the test web server.
#include <cstdint>
#include <map>
#include <vector>
#include <string>

#include "support/temp_folder.h"

namespace qvx::test {

// The program under test: build/<preset>/qvxupdate(.exe); std::runtime_error when missing.
std::string UpdaterProgram();
// The same program reporting the version "1.0.0-next" (qvxupdate_next beside the test program),
// for a release that updates the updater.
std::string NextUpdaterProgram();
// build/e2e, the folder for what a run leaves to look at (a screenshot).
std::string E2eOutputFolder();

class TE2eInstallation {
 public:
  // The program, config.ini and data\ as the install step lays them out, the fake tool as
  // qvxtool.exe, and data\Product.ini naming updateUrl.
  explicit TE2eInstallation(const std::string& updateUrl);

  const TTempFolder& Folder() const { return FDir; }
  std::string Program() const { return FDir.At(ProgramName()); }
  std::string Tool() const { return FDir.At("qvxtool.exe"); }
  // What the fake tool recorded: one line of arguments per start.
  std::string ToolStarts() const;
  // The first launch argument: the tool's path, "|", the flag and the setup id.
  std::string ToolArgument(char flag, int32_t setupId) const;
  // Writes a file of the installation with an old last-write time (2015).
  void WriteOld(const std::string& relative, const std::string& bytes) const;
  // data\App.info, or "-" when there is none.
  std::string AppInfo() const;

  static std::string ProgramName();

 private:
  TTempFolder FDir;
};

// Publishes files (relative name -> bytes, each with the current time) with qvxpublish into
// folder below the test web server's root and returns the base URL that serves it. slow: the
// URL of the slow server. perFile: a list applied file by file (qvxpublish --per-file) instead
// of whole. std::runtime_error with qvxpublish's message when it refuses.
std::string PublishRelease(const std::string& folder, const std::map<std::string, std::string>& files,
                           int32_t softId, const std::string& appDate, bool slow = false,
                           bool perFile = false);
// Writes an update folder by hand (for lists that qvxpublish would refuse) and returns its URL.
std::string WriteUpdateFolder(const std::string& folder,
                              const std::map<std::string, std::string>& files);

// The "filename" entries of a published up.txt, in list order.
std::vector<std::string> ListedNames(const std::string& folder);

}  // namespace qvx::test
