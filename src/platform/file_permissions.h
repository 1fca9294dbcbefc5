#pragma once
// Access permissions of files. A program's file that is replaced must still be a program: on
// POSIX the right to run it is in its mode bits, which a new file does not get by itself; on
// Windows it comes from the file's name. Paths as in file_system.h.
#include <string>

namespace qvx {

// Gives path the permissions of model. True when done, or when there is nothing to do (Windows);
// false when either file cannot be reached.
bool CopyFilePermissions(const std::string& model, const std::string& path);

}  // namespace qvx
