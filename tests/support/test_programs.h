#pragma once
// Finding the helper programs that the build puts beside the test programs.
#include <string>
#include <vector>

namespace qvx::test {

// Full path of the running test program.
std::string OwnProgramPath();
// Full path of a helper program (name without ".exe"), looked for beside the running test
// program and in the folder above it; empty when absent.
std::string HelperProgramPath(const std::string& name);

// Runs a program with these arguments (each passed as one argument, whatever it holds) and
// waits for its end. Its exit code; -1 when it could not be started or ended by a signal.
int RunProgramAndWait(const std::string& path, const std::vector<std::string>& arguments);

}  // namespace qvx::test
