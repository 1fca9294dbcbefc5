#include "platform/launch_facts.h"

#include "platform/launch_facts_backend.h"

namespace qvx {

namespace {
// Written by the entry (before any thread starts) or by tests; read afterwards.
std::string gExecutablePath;
bool gArgumentsSet = false;
std::vector<std::string> gArguments;
}  // namespace

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
