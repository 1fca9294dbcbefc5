#include "update/main_tool.h"

#include "platform/tool_window.h"

namespace qvx {

namespace {
constexpr char kToolWindowClass[] = "TfrmCat";
}

bool CloseToolWindow() { return PostToolWindowClose(kToolWindowClass); }
bool IsToolRunning() { return ToolWindowPresent(kToolWindowClass); }

}  // namespace qvx
