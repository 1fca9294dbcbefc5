#pragma once
// The platform's directory search, with last-write times already in local time.
#include <cstdint>
#include <string>
#include <vector>

namespace qvx {

// Platform file attributes as the search reports them.
constexpr uint32_t kFileAttrReadOnly = 0x01;
constexpr uint32_t kFileAttrHidden = 0x02;
constexpr uint32_t kFileAttrSystem = 0x04;
constexpr uint32_t kFileAttrVolumeLabel = 0x08;
constexpr uint32_t kFileAttrDirectory = 0x10;
constexpr uint32_t kFileAttrArchive = 0x20;

struct TFolderEntry {
  std::string Name;  // without its folder
  uint32_t Attributes = 0;
  int64_t Size = 0;
  // The last-write time in local time, with the time-zone offset in force now, cut to an even
  // second. HasLocalTime is false when that time cannot be written in the two-second date format
  // (years 1980 to 2107).
  bool HasLocalTime = false;
  uint16_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// The entries that match the last component of pattern ("*" and "?" are wildcards, letter case
// does not count), in the order in which the platform lists them. firstOnly stops after one.
// A folder that cannot be searched gives no entries.
std::vector<TFolderEntry> SearchFolder(const std::string& pattern, bool firstOnly = false);

}  // namespace qvx
