#pragma once
// Pictures linked into the program. On Windows they are bitmap resources (RT_BITMAP); the
// console program elsewhere shows no pictures and links none.
#include <string>

namespace qvx {

// The named bitmap resource of the running program as the bytes of a bitmap file, or empty
// when the program holds no such resource.
std::string BitmapResourceBytes(const std::string& name);

}  // namespace qvx
