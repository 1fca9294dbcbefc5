#pragma once
// Finding the helper programs that the build puts beside the test programs.
#include <string>

namespace qvx::test {

// Full path of the running test program.
std::string OwnProgramPath();
// Full path of a helper program (name without ".exe"), looked for beside the running test
// program and in the folder above it; empty when absent.
std::string HelperProgramPath(const std::string& name);

}  // namespace qvx::test
