#pragma once
// What the process was started as: the full path of its executable and its launch arguments.
// The program's start-up reads them; the entry and the tests may set them first, before any
// thread starts, and nothing writes them afterwards.
#include <string>
#include <vector>

namespace qvx {

// The full path of the running executable.
std::string ExecutablePath();
// The launch arguments: the words of the command line after the program's own path.
std::vector<std::string> LaunchArguments();

// Replace what ExecutablePath and LaunchArguments report. The POSIX entry passes argv here; tests
// use them to stage a launch. An empty path restores the platform's answer.
void SetExecutablePath(const std::string& path);
void SetLaunchArguments(const std::vector<std::string>& arguments);
// Forgets SetLaunchArguments, so the platform's own command line counts again.
void ResetLaunchArguments();

}  // namespace qvx
