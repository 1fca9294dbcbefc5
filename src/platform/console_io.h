#pragma once
// The terminal of the console program: which standard streams are terminals, and the two
// things its user can do there besides reading: interrupt (Ctrl-C, the close box of a console
// window) and answer with a line. Only the console program uses it, so only the POSIX back end
// exists (console_io_posix.cpp).
#include <cstdint>
#include <functional>

namespace qvx {

enum class TStdStream : uint8_t { Input, Output, Error };

bool StreamIsTerminal(TStdStream stream);
// Width in characters of the terminal on standard error; 80 when it cannot be told.
int32_t TerminalColumns();

// From now on every interrupt (SIGINT, and SIGTERM and SIGHUP, which ask a program to close as
// well) runs onInterrupt on a watcher thread instead of ending the process. Call it once.
void WatchInterrupt(std::function<void()> onInterrupt);

// Reads standard input on a watcher thread until a line ends or the input ends (or fails), then
// runs onDone there once.
void WatchInputLine(std::function<void()> onDone);

}  // namespace qvx
