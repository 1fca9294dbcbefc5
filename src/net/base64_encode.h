#pragma once
// Base64 with the standard alphabet and "=" padding (RFC 4648), for Basic credentials.
#include <string>

namespace qvx {

std::string EncodeBase64(const std::string& bytes);

}  // namespace qvx
