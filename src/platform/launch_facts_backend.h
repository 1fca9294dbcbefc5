#pragma once
// What each back end of the launch facts answers when nothing was set through launch_facts.h.
#include <string>
#include <vector>

namespace qvx {

std::string PlatformExecutablePath();
std::vector<std::string> PlatformLaunchArguments();

}  // namespace qvx
