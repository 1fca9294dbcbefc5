#pragma once
// Start-up: the installation folder, config.ini and the launch arguments, read into the
// globals of startup/globals.h. The program entry calls LoadStartupSettings and then
// ClampLanguageIndex; the update window's creation calls ReadToolArgument, ReadEditionArgument
// and AssignUpdateBaseUrl. None of them reports a failure: each falls back to its default.
#include <cstdint>
#include <string>

namespace qvx {

// The value of the key in AppPath + "config.ini", or 0 when the file, the section or the key is
// missing or the value is no whole 32-bit number.
int32_t ReadConfigInt(const std::string& section, const std::string& key);

// AppPath from the executable's path, and the unchecked LangIndex from config.ini.
void LoadStartupSettings();
// Keeps LangIndex within the count of languages the translation file lists.
void ClampLanguageIndex(int32_t count);
// The first launch argument into ToolExePath, PassUsbFlag and CurrentSetupId.
void ReadToolArgument();
// The second launch argument into LiteEdition, SetupIdKey and LastSetupIdKey.
void ReadEditionArgument();
// UpdateBaseUrl := url, with a "/" added unless it is empty or ends with one.
void AssignUpdateBaseUrl(const std::string& url);

}  // namespace qvx
