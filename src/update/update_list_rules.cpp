#include "update/update_list_rules.h"

#include "common/file_utils.h"
#include "common/string_list.h"
#include "startup/globals.h"

namespace qvx {

bool IsKeptDataFile(const std::string& fileName) {
  return EqualTextIgnoreCase(fileName, "keysData.rif") || EqualTextIgnoreCase(fileName, "remote.db");
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
  TDateTime server = ComposeDateTime(low16(n[0]), low16(n[1]), low16(n[2]), low16(n[3]),
                                     low16(n[4]), low16(n[5]), 0);
  server -= 5.0 / 1440;
  return server > local;
}

void WriteAppInfo(const std::string& name, const std::string& value) {
  const std::string path = AppPath + "data\\App.info";
  TStringList info;
  if (FileIsPresent(path)) info.LoadFile(path);
  info.SetValueOf(name, value);
  info.SaveFile(path);
}

}  // namespace qvx
