#pragma once
// Telling the user about a failure that nothing else reports (one raised while a window is made).
#include <functional>
#include <string>

namespace qvx {

// A message box on Windows; a line on standard error elsewhere.
void ShowErrorMessage(const std::string& message);
// Replaces the above until reset with an empty function: a test cannot click a message box away.
void SetErrorMessageHandler(std::function<void(const std::string&)> handler);

// The back end's own way of showing it (dialogs_win.cpp, dialogs_console.cpp), used when no
// handler is set.
void ShowErrorBox(const std::string& message);

// A notice that is no failure of the program: its usage, or a word about a mistaken argument.
// A message box on Windows, where the window program has no console to write to; standard
// output (standard error for a mistake) elsewhere.
enum class TNoticeKind { Information, Mistake };
void ShowNotice(const std::string& caption, const std::string& text, TNoticeKind kind);

}  // namespace qvx
