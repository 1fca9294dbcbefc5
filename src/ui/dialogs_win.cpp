#include <windows.h>

#include "ui/dialogs.h"

namespace qvx {

void ShowErrorBox(const std::string& message) {
  MessageBoxA(GetActiveWindow(), message.c_str(), "Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

}  // namespace qvx
