#pragma once
// How the POSIX back ends find a path written the Windows way.
#include <string>

namespace qvx {

// Every "\" becomes "/". When the path does not exist as written, each component is looked up
// in its folder without regard to letter case (A-Z), so "data\App.info" finds "Data/app.info".
// Components that match nothing are kept as written (a file about to be created).
std::string ResolvePosixPath(const std::string& path);

// Name comparison of the POSIX back ends: A-Z folded, nothing else.
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

}  // namespace qvx
