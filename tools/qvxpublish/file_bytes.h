#pragma once
// Whole-file reading and replacing for the publisher's folders.
#include <filesystem>
#include <string>

namespace qvx {

// Raises an Exception naming the file and the system's reason.
std::string ReadFileBytes(const std::filesystem::path& path);
// Writes the bytes to a temporary file beside the target and moves it over the target, so the
// target is never seen half-written. Raises an Exception; no temporary file is left behind.
void ReplaceFileBytes(const std::filesystem::path& target, const std::string& bytes);

}  // namespace qvx
