#include "update/update_list_rules.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/ascii_case.h"
#include "common/date_time.h"
#include "common/file_utils.h"
#include "common/path_names.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "platform/launch_facts.h"
#include "platform/locale.h"
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

// The segments of a path split at either separator. The scan runs forward so that the second
// byte of a double-byte character (a "\\" in code page 936) is never taken for one; no such
// byte is ever a "/".
std::vector<std::string> Segments(const std::string& path) {
  std::vector<std::string> segments(1);
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (c == '\\' || c == '/') {
      segments.emplace_back();
      continue;
    }
    segments.back() += c;
    if (IsAnsiLeadByte(static_cast<unsigned char>(c)) && i + 1 < path.size()) {
      segments.back() += path[++i];
    }
  }
  return segments;
}

std::string Joined(const std::vector<std::string>& segments) {
  std::string path;
  for (const std::string& segment : segments) path += (path.empty() ? "" : "\\") + segment;
  return path;
}

// The segments Windows opens. Dropping trailing dots and blanks from every segment, and counting
// any run of only dots and blanks with ".." in it as a climb, matches more names than Windows
// does: a rule that refuses by name errs on the side of refusing.
std::vector<std::string> NormalSegments(const std::string& path) {
  std::vector<std::string> out;
  for (std::string segment : Segments(path)) {
    if (segment.find_first_not_of(". ") == std::string::npos) {
      if (segment.find("..") == std::string::npos) continue;
      if (!out.empty() && out.back() != "..") {
        out.pop_back();
      } else {
        out.push_back("..");
      }
      continue;
    }
    while (segment.back() == '.' || segment.back() == ' ') segment.pop_back();
    out.push_back(segment);
  }
  return out;
}

}  // namespace

bool IsToolFile(const std::string& name) { return IsToolFile(name, ToolExePath); }

std::string ResolvedEntryPath(const std::string& relativeName) {
  std::vector<std::string> segments = NormalSegments(relativeName);
  const std::string path = Joined(segments);
  // Only a name with "~" can be a short one, and a path that climbs out is no file of ours.
  if (path.find('~') == std::string::npos || (!segments.empty() && segments.front() == "..")) {
    return path;
  }
  const std::string full = AppPath + path;
  const std::string resolved = LongPathName(full);
  if (resolved == full) return path;
  // The long path has as many segments as the short one; AppPath may come back changed too.
  const std::vector<std::string> all = Segments(resolved);
  if (all.size() < segments.size()) return path;
  segments.assign(all.end() - static_cast<std::ptrdiff_t>(segments.size()), all.end());
  return Joined(segments);
}

std::string ResolvedFinalName(const std::string& relativeName) {
  const std::vector<std::string> segments = Segments(ResolvedEntryPath(relativeName));
  return segments.back();
}

std::string UpdaterFileName() { return NameOfPath(LongPathName(ExecutablePath())); }

bool NamesUpdaterFile(const std::string& relativeName, const std::string& updaterName) {
  return EqualTextIgnoreCase(ResolvedFinalName(relativeName), updaterName);
}

bool ReachesUpdaterFile(const std::string& relativeName, const std::string& updaterName) {
  return EqualTextIgnoreCase(ResolvedEntryPath(relativeName), updaterName);
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
