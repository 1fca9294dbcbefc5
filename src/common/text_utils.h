#pragma once
// Small stateless rules on 8-bit text: trimming, splitting and integer lists.
// Text is bytes in the system's ANSI code page; nothing here converts code pages.
#include <cstdint>
#include <string>
#include <vector>

namespace qvx {

using TStrArray = std::vector<std::string>;
using TIRIntegerArr = std::vector<int32_t>;

// Drops bytes 0..32 from both ends; bytes 128 and above stay.
std::string TrimBlanks(const std::string& text);

void SplitAtFirst(const std::string& text, const std::string& separator, std::string& left,
                  std::string& right);
void SplitByChar(const std::string& text, char separator, TStrArray& pieces);
void SplitByString(const std::string& text, const std::string& separator, TStrArray& pieces);
int32_t GetBracketIndex(const std::string& text);
void ParseIntList(const std::string& text, char separator, bool& ok, TIRIntegerArr& values);

}  // namespace qvx
