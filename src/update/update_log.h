#pragma once
// data\update.log: what support asks for after a run. Every status line of a run goes there with
// its local time; each run opens with the program's version and the address of the list it
// asks for, and the program's exit code closes it. The file stays below kUpdateLogLimit by
// dropping its oldest half. Writing it never fails a run: a log that cannot be written is
// simply not written.
#include <cstdint>
#include <string>

namespace qvx {

constexpr int64_t kUpdateLogLimit = 1 << 20;

// AppPath + "data\update.log".
std::string UpdateLogPath();
// The first entry of a run.
void LogRunStart(const std::string& listUrl);
void LogStatusLine(const std::string& line);
void LogExitCode(int exitCode);

// The version written into the log (the build's project version).
std::string ProgramVersion();

}  // namespace qvx
