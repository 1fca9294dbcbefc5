#include "common/file_utils.h"

#include "platform/file_search.h"
#include "platform/path_delimiter.h"

namespace qvx {

namespace {
constexpr uint32_t kSkippedAttributes =
    kFileAttrDirectory | kFileAttrHidden | kFileAttrSystem | kFileAttrVolumeLabel;

TDateTime TimestampOf(const TFolderEntry& entry) {
  if (!entry.HasLocalTime) return 0;
  return ComposeDateTime(entry.Year, entry.Month, entry.Day, entry.Hour, entry.Minute,
                         entry.Second, 0);
}

void SearchOnePattern(const std::string& folder, const std::string& pattern,
                      TFindFilesDynArray& found) {
  std::string path = folder;
  if (!path.empty() && !IsPathDelimiter(path.back())) path += kPathDelimiter;
  for (const TFolderEntry& entry : SearchFolder(path + pattern)) {
    if ((entry.Attributes & kSkippedAttributes) || entry.Name.empty() || entry.Name[0] == '.')
      continue;
    found.push_back({entry.Name, entry.Attributes, entry.Size, TimestampOf(entry)});
  }
}
}  // namespace

bool FileIsPresent(const std::string& path) {
  std::vector<TFolderEntry> first = SearchFolder(path, true);
  return !first.empty() && !(first[0].Attributes & kFileAttrDirectory) && first[0].HasLocalTime;
}

TFindFilesDynArray FindFilesInFolder(const std::string& folder, const std::string& pattern) {
  TFindFilesDynArray found;
  size_t start = 0;
  // Several patterns are separated by ";"; pieces are not trimmed and empty ones are dropped.
  for (;;) {
    size_t end = pattern.find(';', start);
    std::string piece = pattern.substr(start, end == std::string::npos ? end : end - start);
    if (!piece.empty()) SearchOnePattern(folder, piece, found);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return found;
}

}  // namespace qvx
