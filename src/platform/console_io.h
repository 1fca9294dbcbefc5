#pragma once
// The terminal of the console program: which standard streams are terminals, the user's answer
// with a line, and Ctrl-C. Only the console program uses it, so only the POSIX back end exists
// (console_io_posix.cpp).
#include <cstdint>
#include <functional>

namespace qvx {

enum class TStdStream : uint8_t { Input, Output, Error };

bool StreamIsTerminal(TStdStream stream);

// Reads standard input on a watcher thread until a line ends or the input ends (or fails), then
// runs onDone there once.
void WatchInputLine(std::function<void()> onDone);

// From now on, Ctrl-C (SIGINT) no longer ends the process: each one runs onInterrupt on a watcher
// thread. A later call replaces onInterrupt.
void WatchInterrupts(std::function<void()> onInterrupt);

}  // namespace qvx
