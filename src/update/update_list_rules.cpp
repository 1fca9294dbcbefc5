#include "update/update_list_rules.h"

#include <cmath>
#include <cstdint>

#include "common/date_time.h"
#include "common/file_utils.h"
#include "common/path_names.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "platform/long_name.h"
#include "startup/globals.h"

namespace qvx {

namespace {

// A listed file counts as newer only when its time less this margin is still later than the
// file on disk.
constexpr int64_t kServerMarginSeconds = 5 * 60;

// Both times are made of whole seconds; as fractions of a day they are not exact, and the margin
// subtracted as one would decide a tie at the boundary by rounding. In whole seconds it is exact.
int64_t WholeSeconds(TDateTime t) { return std::llround(t * 86400.0); }

// The part after the last separator of either kind. NameOfPath keeps the second byte of a
// double-byte character, which may be a "\\"; no such byte is ever a "/".
std::string FinalName(const std::string& path) {
  const std::string name = NameOfPath(path);
  const size_t cut = name.rfind('/');
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

}  // namespace

bool IsToolFile(const std::string& name) { return IsToolFile(name, ToolExePath); }

std::string ResolvedFinalName(const std::string& relativeName) {
  const std::string name = FinalName(relativeName);
  // Only a name with "~" can be a short one; any other is already what Windows finds.
  if (name.find('~') == std::string::npos) return name;
  const std::string full = AppPath + relativeName;
  const std::string resolved = LongPathName(full);
  return resolved == full ? name : FinalName(resolved);
}

bool ReachesKeptDataFile(const std::string& relativeName) {
  return IsKeptDataFile(relativeName) || IsKeptDataFile(ResolvedFinalName(relativeName));
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
