#pragma once
// The installation's product data, AppPath + "data\Product.ini": where its updates come from.
#include <string>

namespace qvx {

// The base URL of the update server: section "Product", key "UpdateUrl"; when the file, the key
// or its value is missing, the URL this program was built with.
std::string ProductUpdateUrl();
// The URL this program was built with (CMake cache variable QVX_UPDATE_URL).
std::string BuiltInUpdateUrl();
// For the line that reports a failed list: when the base URL asked is the built-in one because
// data\Product.ini gave none, why (the file is missing, empty, not text, or lacks the key);
// otherwise empty.
std::string ProductUrlNote(const std::string& baseUrlAsked);

}  // namespace qvx
