#pragma once
// The name Windows knows a file by in full. A path may reach a file or folder through its 8.3
// short name ("REMOTE~1.DB"); a rule that decides by name must see the long one.
#include <string>

namespace qvx {

// path with each component that exists replaced by its long name, separators as Windows writes
// them. path itself when nothing exists there, and always away from Windows, where there are no
// short names. Characters of a long name that the ANSI code page lacks come back as "?".
std::string LongPathName(const std::string& path);

}  // namespace qvx
