#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

#include "platform/console_io.h"

namespace qvx {

namespace {

// Self-pipe: a signal handler may do next to nothing, so it writes one byte and the watcher
// thread does the work.
int gInterruptPipe[2] = {-1, -1};

extern "C" void OnInterruptSignal(int) {
  int saved = errno;
  char byte = 1;
  ssize_t ignored = write(gInterruptPipe[1], &byte, 1);
  (void)ignored;
  errno = saved;
}

}  // namespace

bool StreamIsTerminal(TStdStream stream) {
  int fd = stream == TStdStream::Input ? STDIN_FILENO
           : stream == TStdStream::Output ? STDOUT_FILENO
                                          : STDERR_FILENO;
  return isatty(fd) == 1;
}

int32_t TerminalColumns() {
  struct winsize size = {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void WatchInterrupt(std::function<void()> onInterrupt) {
  if (gInterruptPipe[0] >= 0 || pipe(gInterruptPipe) != 0) return;
  // Neither end may leak into the programs we start.
  fcntl(gInterruptPipe[0], F_SETFD, FD_CLOEXEC);
  fcntl(gInterruptPipe[1], F_SETFD, FD_CLOEXEC);
  // A full pipe must not block the handler: the interrupts already queued say enough.
  fcntl(gInterruptPipe[1], F_SETFL, fcntl(gInterruptPipe[1], F_GETFL) | O_NONBLOCK);
  std::thread([fd = gInterruptPipe[0], onInterrupt = std::move(onInterrupt)] {
    char byte;
    for (;;) {
      ssize_t n = read(fd, &byte, 1);
      if (n == 1) {
        onInterrupt();
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return;
      }
    }
  }).detach();
  struct sigaction action = {};
  action.sa_handler = OnInterruptSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

void WatchInputLine(std::function<void()> onDone) {
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
