#pragma once
// File existence and folder search with last-write times in local time, two-second truncated.
#include <cstdint>
#include <string>
#include <vector>

#include "common/date_time.h"

namespace qvx {

struct TFindFiles {
  std::string Name;     // without its folder
  uint32_t Attributes;  // platform file attributes
  int64_t Size;
  TDateTime Timestamp;  // local time, truncated to an even second
};
using TFindFilesDynArray = std::vector<TFindFiles>;

bool FileIsPresent(const std::string& path);
TFindFilesDynArray FindFilesInFolder(const std::string& folder, const std::string& pattern);

}  // namespace qvx
