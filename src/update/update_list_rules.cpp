#include "update/update_list_rules.h"

#include <cmath>
#include <cstdint>

#include "base/ascii_case.h"
#include "common/file_utils.h"
#include "common/string_list.h"
#include "startup/globals.h"

namespace qvx {

namespace {

// A listed file counts as newer only when its time less this margin is still later than the
// file on disk.
constexpr int64_t kServerMarginSeconds = 5 * 60;

// Both times are made of whole seconds; as fractions of a day they are not exact, and the margin
// subtracted as one would decide a tie at the boundary by rounding. In whole seconds it is exact.
int64_t WholeSeconds(TDateTime t) { return std::llround(t * 86400.0); }

}  // namespace

// A listed name that could leave the installation folder: absolute (a drive, a leading "\" or
// "/", a UNC path), naming a stream or drive with ":", or climbing with a ".." segment (Windows
// drops trailing dots and blanks of a segment, so "..." and ".. " climb as well).
bool IsUnsafeRelativeName(const std::string& name) {
  if (name.empty()) return false;
  if (name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos) return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    std::string segment = name.substr(start, end - start);
    if (segment.find("..") != std::string::npos &&
        segment.find_first_not_of(". ") == std::string::npos) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

// The tool's executable among the listed files. An entry that merely mentions the tool (its
// help file, say) is an ordinary file: writing it over the executable would break the tool.
bool IsToolFile(const std::string& name) {
  if (!ToolExePath.empty() && EqualTextIgnoreCase(NameOfPath(ToolExePath), name)) return true;
  if (name.find("qvxtool") == std::string::npos) return false;
  const std::string file = NameOfPath(name);
  return file.size() >= 4 && EqualTextIgnoreCase(file.substr(file.size() - 4), ".exe");
}

bool IsKeptDataFile(const std::string& fileName) {
  // Decided on the name as Windows resolves it: the part after the last separator of either
  // kind, without the trailing dots and blanks that Windows drops ("data/remote.db. " is
  // remote.db).
  const size_t cut = fileName.find_last_of("\\/");
  std::string name = cut == std::string::npos ? fileName : fileName.substr(cut + 1);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return EqualTextIgnoreCase(name, "keysData.rif") || EqualTextIgnoreCase(name, "remote.db");
}

TDateTime GetLocalFileTime(const std::string& relativeName) {
  const std::string full = AppPath + relativeName;
  if (!FileIsPresent(full)) return 0;
  TFindFilesDynArray found = FindFilesInFolder(FolderOfPath(full), NameOfPath(full));
  return found.empty() ? 0 : found.front().Timestamp;
}

bool IsServerFileNewer(const std::string& relativeName, const std::string& dateText) {
  if (dateText.empty() || relativeName.empty()) return false;
  const TDateTime local = GetLocalFileTime(relativeName);
  if (local == 0) return true;
  bool ok = false;
  TIRIntegerArr n;
  ParseIntList(dateText, '-', ok, n);
  if (!ok || n.size() != 6) return false;
  // Each number goes in as its low 16 bits, so an out-of-range piece fails as an invalid date.
  auto low16 = [](int32_t v) { return static_cast<uint16_t>(v); };
  const TDateTime server = ComposeDateTime(low16(n[0]), low16(n[1]), low16(n[2]),
                                           low16(n[3]), low16(n[4]), low16(n[5]), 0);
  return WholeSeconds(server) - kServerMarginSeconds > WholeSeconds(local);
}

void WriteAppInfo(const std::string& name, const std::string& value) {
  const std::string path = AppPath + "data\\App.info";
  TStringList info;
  if (FileIsPresent(path)) info.LoadFile(path);
  info.SetValueOf(name, value);
  info.SaveFile(path);
}

}  // namespace qvx
