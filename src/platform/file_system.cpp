#include "platform/file_system.h"

#include "platform/file_system_backend.h"
#include "platform/replacement_file.h"

namespace qvx {

namespace {
// Written by the entry (before any thread starts) or by tests; read afterwards.
std::string gExecutablePath;
bool gArgumentsSet = false;
std::vector<std::string> gArguments;
}  // namespace

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  TReplacementFile file(path);
  file.Write(bytes.data(), bytes.size());
  file.Commit();
}

std::string ExecutablePath() {
  return gExecutablePath.empty() ? PlatformExecutablePath() : gExecutablePath;
}

std::vector<std::string> LaunchArguments() {
  return gArgumentsSet ? gArguments : PlatformLaunchArguments();
}

void SetExecutablePath(const std::string& path) { gExecutablePath = path; }

void SetLaunchArguments(const std::vector<std::string>& arguments) {
  gArguments = arguments;
  gArgumentsSet = true;
}

void ResetLaunchArguments() {
  gArguments.clear();
  gArgumentsSet = false;
}

}  // namespace qvx
