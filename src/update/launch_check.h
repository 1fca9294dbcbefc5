#pragma once
// What the entry makes of its arguments before anything else: a request for the usage, an
// argument that is not the one the tool passes, or the go-ahead for an update run.
#include <string>
#include <vector>

namespace qvx {

enum class TLaunchRequest {
  Run,    // no arguments, or a first argument in the tool's shape
  Help,   // "--help", "-h" or "/?" anywhere among the arguments
  Wrong,  // a first argument that does not decode to "<path>|<flag><setup id>"
};

TLaunchRequest CheckLaunchArguments(const std::vector<std::string>& arguments);
// The usage: the two arguments, the exit codes and where the log is.
std::string UsageText();

}  // namespace qvx
