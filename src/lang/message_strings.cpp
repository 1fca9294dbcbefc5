#include "lang/message_strings.h"

#include <cstdio>
#include <memory>

#include "common/file_utils.h"
#include "common/ini_file.h"
#include "common/text_utils.h"
#include "startup/globals.h"

namespace qvx {

namespace {
// Made lazily on the worker thread; only one worker runs at a time, so no lock guards it.
std::unique_ptr<TIniFile> LangStrIni;
}  // namespace

std::string GetLangStr(int32_t number) {
  if (!LangStrIni) {
    std::string path = AppPath + "data\\Language.ini";
    // No reader while the file is missing, so that a later call looks for it again.
    if (!FileIsPresent(path)) return "error in language.ini";
    LangStrIni = std::make_unique<TIniFile>(path);
  }
  char key[32];
  std::snprintf(key, sizeof key, "con_str%.3d", static_cast<int>(number));
  std::string value = LangStrIni->ReadText(std::to_string(LangIndex), key, "");
  if (TrimBlanks(value).empty() && LangIndex != 1) value = LangStrIni->ReadText("1", key, "");
  return value;
}

void ForgetLangStrFile() { LangStrIni.reset(); }

}  // namespace qvx
