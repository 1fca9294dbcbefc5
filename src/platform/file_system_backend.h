#pragma once
// What each back end of the file layer answers when nothing was set through file_system.h.
#include <string>
#include <vector>

namespace qvx {

std::string PlatformExecutablePath();
std::vector<std::string> PlatformLaunchArguments();

}  // namespace qvx
