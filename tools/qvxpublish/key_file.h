#pragma once
// A new private key file: created only where no file is (an existing key is never written
// over), readable by its owner only on POSIX (mode 0600). On Windows the file takes the
// folder's permissions, which for a user's own folders are the user's.
#include <filesystem>
#include <string>

namespace qvx {

// Raises an Exception naming the file and the reason; nothing is left behind on failure.
void WriteNewKeyFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace qvx
