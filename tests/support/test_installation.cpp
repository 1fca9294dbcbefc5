#include "support/test_installation.h"

#include "lang/message_strings.h"
#include "platform/launch_facts.h"
#include "startup/globals.h"

namespace qvx::test {

const char kTestLanguageIni[] =
    "[1]\r\ncon_str031=Nothing unpacked.\r\ncon_str146=Done.\r\ncon_str147=Fetching:\r\n"
    "con_str148=Tool still open.\r\n";

void TTestInstallation::Enter() {
  ClearProxyEnvironment();
  Write("data\\Language.ini", kTestLanguageIni);
  AppPath = Path();
  LangIndex = 1;
  ToolExePath.clear();
  SetupIdKey = "softid";
  LastSetupIdKey = "last_setupid";
  SetExecutablePath(At("qvxupdate.exe"));
  ForgetLangStrFile();
}

void TTestInstallation::Leave() {
  ForgetLangStrFile();
  SetExecutablePath("");
}

}  // namespace qvx::test
