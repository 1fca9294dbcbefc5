#include "startup/globals.h"

namespace qvx {

std::string AppPath;
std::string UpdateBaseUrl;
uint8_t LangIndex = 0;
std::string SetupIdKey;
std::string LastSetupIdKey;

std::string ToolExePath;
int32_t CurrentSetupId = 0;
bool PassUsbFlag = false;
bool LiteEdition = false;

}  // namespace qvx
