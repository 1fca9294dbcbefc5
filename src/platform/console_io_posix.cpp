#include <semaphore.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/console_io.h"

namespace qvx {

namespace {

// A signal handler may only post the semaphore; the watcher thread does the rest.
sem_t gInterrupts;
std::mutex gInterruptLock;
std::function<void()> gOnInterrupt;

void OnInterrupt(int) { sem_post(&gInterrupts); }

}  // namespace

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

void WatchInterrupts(std::function<void()> onInterrupt) {
  std::lock_guard<std::mutex> lock(gInterruptLock);
  const bool installed = static_cast<bool>(gOnInterrupt);
  gOnInterrupt = std::move(onInterrupt);
  if (installed) return;
  sem_init(&gInterrupts, 0, 0);
  // Detached: it waits for the next Ctrl-C as long as the process lives.
  std::thread([] {
    for (;;) {
      if (sem_wait(&gInterrupts) != 0) continue;
      std::function<void()> handler;
      {
        std::lock_guard<std::mutex> guard(gInterruptLock);
        handler = gOnInterrupt;
      }
      if (handler) handler();
    }
  }).detach();
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace qvx
