#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

#include "platform/console_io.h"

namespace qvx {

bool StreamIsTerminal(TStdStream stream) {
  int fd = stream == TStdStream::Input ? STDIN_FILENO
           : stream == TStdStream::Output ? STDOUT_FILENO
                                          : STDERR_FILENO;
  return isatty(fd) == 1;
}

void WatchInputLine(std::function<void()> onDone) {
  // Detached: a program that ends while nobody has answered must not wait for the answer.
  std::thread([onDone = std::move(onDone)] {
    char byte;
    for (;;) {
      ssize_t n = read(STDIN_FILENO, &byte, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0 || byte == '\n') break;
    }
    onDone();
  }).detach();
}

}  // namespace qvx
