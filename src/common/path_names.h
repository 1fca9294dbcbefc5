#pragma once
// The folder and the name of a path, split at its last delimiter ("\", ":", and "/" away from
// Windows). Text is bytes in the system's ANSI code page; a double-byte character is never split.
#include <string>

namespace qvx {

std::string FolderOfPath(const std::string& path);  // with its trailing delimiter
std::string NameOfPath(const std::string& path);

}  // namespace qvx
