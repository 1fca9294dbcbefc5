#pragma once
// Whole-file reading and replacing for the publisher's folders.
#include <filesystem>
#include <string>

namespace qvx {

// Raises an Exception naming the file and the system's reason.
std::string ReadFileBytes(const std::filesystem::path& path);
// Replaces the target with the bytes the platform's way (TReplacementFile), so the target is
// never seen half-written; the path is taken as it stands. Raises an Exception naming the file;
// no temporary file is left behind.
void ReplaceFileBytes(const std::filesystem::path& target, const std::string& bytes);

}  // namespace qvx
