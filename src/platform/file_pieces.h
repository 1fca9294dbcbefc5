#pragma once
// Reading a file piece by piece, so a large file can be hashed without holding it in memory.
// Paths as in file_system.h.
#include <cstddef>
#include <functional>
#include <string>

namespace qvx {

// Calls piece with the file's bytes in order, in pieces of at most a few hundred KiB. False
// when the file cannot be opened (missing, a folder, locked); EOSError when a read fails after
// the file was opened.
bool ReadFileInPieces(const std::string& path,
                      const std::function<void(const char* data, size_t size)>& piece);

}  // namespace qvx
