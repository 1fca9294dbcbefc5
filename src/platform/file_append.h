#pragma once
// Growing a file at its end, for a log: the bytes are added after what is there, and a missing
// file is created. Failures raise EOSError with the platform's text.
#include <cstdint>
#include <string>

namespace qvx {

void AppendToFile(const std::string& path, const std::string& bytes);
// The file's size in bytes, or -1 when it does not exist or cannot be looked at.
int64_t FileSizeAt(const std::string& path);

}  // namespace qvx
