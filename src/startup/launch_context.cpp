#include "startup/launch_context.h"

#include <vector>

#include "common/base64.h"
#include "common/file_utils.h"
#include "common/ini_file.h"
#include "common/integer_rule.h"
#include "common/path_names.h"
#include "common/text_utils.h"
#include "platform/launch_facts.h"
#include "platform/path_delimiter.h"
#include "startup/globals.h"

namespace qvx {

namespace {
// The setup id when the launch gives none: no setup id on the update list can exceed it, so the
// installer comparisons stay off.
constexpr int32_t kNoSetupId = 2147483647;
}  // namespace

int32_t ReadConfigInt(const std::string& section, const std::string& key) {
  TIniFile ini(AppPath + "config.ini");
  return ini.ReadInt(section, key, 0);
}

void LoadStartupSettings() {
  AppPath = FolderOfPath(ExecutablePath());
  if (AppPath.empty() || !IsPathDelimiter(AppPath.back())) AppPath += kPathDelimiter;
  // Only the low 8 bits count: 258 is language 2, -1 is 255.
  LangIndex = static_cast<uint8_t>(ReadConfigInt("Config", "lang") & 0xFF);
}

void ClampLanguageIndex(int32_t count) {
  if (count < static_cast<int32_t>(LangIndex) || LangIndex == 0) LangIndex = 1;
}

void ReadToolArgument() {
  const std::vector<std::string> args = LaunchArguments();
  const std::string decoded = args.empty() ? std::string() : Base64ToText(args[0]);
  if (decoded.empty()) {
    CurrentSetupId = kNoSetupId;
    ToolExePath.clear();
    return;
  }
  std::string rest;
  SplitAtFirst(decoded, "|", ToolExePath, rest);
  PassUsbFlag = !rest.empty() && rest[0] == '1';
  if (!rest.empty()) rest.erase(0, 1);
  int32_t id = 0;
  CurrentSetupId = TryTextToInt32(rest, id) ? id : kNoSetupId;
  // Windows file names hold no "*" or "?"; the folder search would take them as wildcards and
  // let a pattern pass for the tool's path.
  if (ToolExePath.find_first_of("*?") != std::string::npos || !FileIsPresent(ToolExePath))
    ToolExePath.clear();
}

void ReadEditionArgument() {
  const std::vector<std::string> args = LaunchArguments();
  LiteEdition = args.size() >= 2 && args[1] == "0";
  SetupIdKey = LiteEdition ? "softidlite" : "softid";
  LastSetupIdKey = LiteEdition ? "last_setupidlite" : "last_setupid";
}

void AssignUpdateBaseUrl(const std::string& url) {
  UpdateBaseUrl = url;
  if (!UpdateBaseUrl.empty() && UpdateBaseUrl.back() != '/') UpdateBaseUrl += '/';
}

}  // namespace qvx
