#pragma once
// The launch context shared by the whole program. Written once on the user-interface thread
// while the program starts and while the update window is created, and only read afterwards;
// the worker thread exists only once they are set, so no lock guards them.
#include <cstdint>
#include <string>

namespace qvx {

// The folder of the updater's own executable, always ending with the path delimiter.
extern std::string AppPath;
// Base URL of the update server; ends with "/" whenever it is not empty.
extern std::string UpdateBaseUrl;
// 1-based number of the user's language (1 once it has been clamped).
extern uint8_t LangIndex;
// The update list's key of the setup id: "softid" or, in the lite edition, "softidlite".
extern std::string SetupIdKey;
// "last_setupid" or, in the lite edition, "last_setupidlite".
extern std::string LastSetupIdKey;

// Full path of the main tool's executable; empty when none was given or it does not exist.
extern std::string ToolExePath;
// The installed setup id; 2147483647 when the launch gave none.
extern int32_t CurrentSetupId;
// The tool is to be started again with the parameter "usb".
extern bool PassUsbFlag;
// The second launch argument was "0".
extern bool LiteEdition;

}  // namespace qvx
