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
// $XDG_RUNTIME_DIR/qvx-windows, or /tmp/qvx-windows-<uid> without XDG_RUNTIME_DIR.
// A register is believed only in a private folder: a real folder (no link) owned by this
// user, with no access for group or others; and only a live process of this user counts.
std::string ToolWindowFile(const std::string& className);
// For a program that registers a window: makes the folder of ToolWindowFile, private (0700),
// as needed. False when it cannot, or when the folder that exists is not private.
bool MakeToolWindowFolder();
#endif

}  // namespace qvx
