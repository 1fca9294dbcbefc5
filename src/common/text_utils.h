#pragma once
// Small stateless rules on 8-bit text, integers and dates, shared by every subsystem.
// Text is bytes in the system's ANSI code page; nothing here converts code pages.
#include <cstdint>
#include <string>
#include <vector>

namespace qvx {

using TStrArray = std::vector<std::string>;
using TIRIntegerArr = std::vector<int32_t>;
// Days since 30 December 1899; the fraction is the elapsed part of the day.
using TDateTime = double;

// Drops bytes 0..32 from both ends; bytes 128 and above stay.
std::string TrimBlanks(const std::string& text);

// 0..15 for a hexadecimal digit (either case), -1 for any other byte.
int HexDigitValue(char c);

// The one rule by which text becomes a signed 32-bit integer (decimal or $/x/X/0x/0X hex).
int32_t TextToInt32(const std::string& text);  // EConvertError "'%s' is not a valid integer value"
int32_t TextToInt32Def(const std::string& text, int32_t def);
bool TryTextToInt32(const std::string& text, int32_t& value);

void SplitAtFirst(const std::string& text, const std::string& separator, std::string& left,
                  std::string& right);
void SplitByChar(const std::string& text, char separator, TStrArray& pieces);
void SplitByString(const std::string& text, const std::string& separator, TStrArray& pieces);
int32_t GetBracketIndex(const std::string& text);
void ParseIntList(const std::string& text, char separator, bool& ok, TIRIntegerArr& values);
std::string Base64ToText(const std::string& text);

// EConvertError "''%s'' is not a valid date and time" when the fields form no valid moment.
TDateTime ComposeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour,
                          uint16_t minute, uint16_t second, uint16_t millisecond);

std::string FolderOfPath(const std::string& path);
std::string NameOfPath(const std::string& path);

}  // namespace qvx
