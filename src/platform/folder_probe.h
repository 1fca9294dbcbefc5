#pragma once
// Whether new files can be made in a folder, found out the only sure way: by making one. The
// probe file has a name of its own (never that of a target or of a replacement's temporary
// file) and is gone again when the call returns.
#include <string>

namespace qvx {

// folder ends with its delimiter. True when a file could be created there (and was removed).
bool FolderAcceptsNewFiles(const std::string& folder);

}  // namespace qvx
