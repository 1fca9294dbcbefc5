#pragma once
// Base64 with the standard alphabet (RFC 4648): list signatures and keys are read with it,
// Basic credentials are written with it.
#include <string>

namespace qvx {

// With "=" padding.
std::string EncodeBase64(const std::string& bytes);

// The last one or two characters count as padding when they fall outside the alphabet, whatever
// they are; any other stray character makes the whole result empty, as does a length that is not
// a multiple of four.
std::string Base64ToText(const std::string& text);

}  // namespace qvx
