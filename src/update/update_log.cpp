#include "update/update_log.h"

#include <ctime>
#include <exception>
#include <mutex>

#include "platform/file_append.h"
#include "platform/file_system.h"
#include "startup/globals.h"

namespace qvx {

namespace {

// The worker writes while it runs and the entry once it has ended; the lock keeps the trimming
// of one writer from meeting the appending of another all the same.
std::mutex gLogLock;

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  {
    // std::localtime hands out one shared buffer.
    static std::mutex timeLock;
    std::lock_guard<std::mutex> lock(timeLock);
    if (const std::tm* local = std::localtime(&now)) parts = *local;
  }
  char text[32];
  if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts) == 0) return "?";
  return text;
}

// Keeps the newer half of the file, from the first line that begins there.
void DropOldestHalf(const std::string& path) {
  const std::string bytes = ReadWholeFile(path);
  size_t cut = bytes.find('\n', bytes.size() / 2);
  cut = cut == std::string::npos ? bytes.size() : cut + 1;
  WriteWholeFile(path, bytes.substr(cut));
}

void Append(const std::string& entry) {
  try {
    std::lock_guard<std::mutex> lock(gLogLock);
    const std::string path = UpdateLogPath();
    const int64_t size = FileSizeAt(path);
    if (size >= 0 && size + static_cast<int64_t>(entry.size()) >= kUpdateLogLimit)
      DropOldestHalf(path);
    // An entry that alone would break the bound (a runaway line) is cut to fit.
    const size_t room = static_cast<size_t>(kUpdateLogLimit / 2);
    AppendToFile(path, entry.size() < room ? entry : entry.substr(0, room - 2) + "\r\n");
  } catch (const std::exception&) {
    // A log that cannot be written (read-only folder, no data folder, full disk) is no reason
    // to change anything a run does.
  }
}

// One line per entry: a status line may hold no line break of its own.
std::string Entry(const std::string& text) {
  std::string flat = text;
  for (char& c : flat)
    if (c == '\r' || c == '\n') c = ' ';
  return LocalTimeText() + "  " + flat + "\r\n";
}

}  // namespace

std::string UpdateLogPath() { return AppPath + "data\\update.log"; }

void LogRunStart(const std::string& listUrl) {
  Append(Entry("--- qvxupdate " + ProgramVersion() + ", update list " + listUrl));
}

void LogStatusLine(const std::string& line) { Append(Entry(line)); }

void LogExitCode(int exitCode) { Append(Entry("--- exit code " + std::to_string(exitCode))); }

}  // namespace qvx
