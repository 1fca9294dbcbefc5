#pragma once
// Using the fake tool program (fake_tool_main.cpp) from tests.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace qvx::test {

// Copies the fake tool program to target (an executable file afterwards) and returns target.
std::filesystem::path InstallFakeProgram(const std::filesystem::path& target);
// The bytes of the fake tool program, to serve as a download.
std::string FakeProgramBytes();
// The lines of the mark file that the fake program at programPath leaves: one per start.
std::string FakeProgramMark(const std::filesystem::path& programPath);
// Outside Windows, makes windows registered by this process and its children live in folder, so
// that tests running side by side do not see each other's tool. Nothing on Windows.
void UsePrivateWindowFolder(const std::filesystem::path& folder);
// Polls condition until it holds or the time is up; returns its last value.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

}  // namespace qvx::test
