#pragma once
// The main tool's top-level window, known only by its window class. On Windows a real window
// (FindWindowA, WM_CLOSE). Elsewhere a process "has a window" of a class while the file
// ToolWindowFile(class) holds its pid and that process lives; the close request is SIGTERM.
#include <string>

namespace qvx {

// True when a top-level window of the class exists, whatever its title.
bool ToolWindowPresent(const std::string& className);
// Posts the close request to such a window and returns true; false when there is none. It does
// not wait for the window to go.
bool PostToolWindowClose(const std::string& className);

#ifndef _WIN32
// The registration file of a class: $QVX_WINDOW_DIR/<class>, the folder defaulting to
// ${XDG_RUNTIME_DIR:-/tmp}/qvx-windows.
std::string ToolWindowFile(const std::string& className);
#endif

}  // namespace qvx
