#pragma once
// The one rule by which text becomes a signed 32-bit integer (decimal or $/x/X/0x/0X hex).
#include <cstdint>
#include <string>

namespace qvx {

// 0..15 for a hexadecimal digit (either case), -1 for any other byte.
int HexDigitValue(char c);

int32_t TextToInt32(const std::string& text);  // EConvertError "'%s' is not a valid integer value"
int32_t TextToInt32Def(const std::string& text, int32_t def);
bool TryTextToInt32(const std::string& text, int32_t& value);

}  // namespace qvx
