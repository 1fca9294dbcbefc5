// The date rule of the update list on arbitrary date texts, for a file that exists (written at a
// known local time), one that does not, and an empty name. The only failure it may raise is the
// invalid-date conversion failure, and only for a file that exists; a missing file is always
// newer, an empty text or name never.
//
// Input: name choice byte, then the date text.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/errors.h"
#include "common/date_time.h"
#include "common/text_utils.h"
#include "fuzz_support.h"
#include "startup/globals.h"
#include "update/update_list_rules.h"

namespace {

std::string Folder() {
  static const std::string folder = [] {
    auto dir = std::filesystem::temp_directory_path() / ("qvx-fuzz-date-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "present.txt") << "x";
    return dir.string() + "/";
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvx::fuzz::FuzzInput in(data, size);
  const uint8_t choice = in.Byte() % 3;
  const std::string date = in.Rest();
  qvx::AppPath = Folder();
  const std::string name = choice == 0 ? "present.txt" : choice == 1 ? "missing.txt" : "";
  bool newer = false;
  try {
    newer = qvx::IsServerFileNewer(name, date);
  } catch (const qvx::EConvertError& e) {
    FUZZ_CHECK(choice == 0);
    FUZZ_CHECK(e.Message().compare(0, 2, "''") == 0);
    FUZZ_CHECK(e.Message().find("'' is not a valid date and time") != std::string::npos);
    return 0;
  }
  if (date.empty() || name.empty()) FUZZ_CHECK(!newer);
  else if (choice == 1) FUZZ_CHECK(newer);
  // Six plain numbers of a valid moment: newer exactly when five minutes before it is after the
  // file's time, in whole seconds.
  if (choice == 0 && !date.empty()) {
    bool ok = false;
    qvx::TIRIntegerArr n;
    qvx::ParseIntList(date, '-', ok, n);
    if (ok && n.size() == 6 && n[0] >= 1 && n[0] <= 9999 && n[1] >= 1 && n[1] <= 12 && n[2] >= 1 &&
        n[2] <= 28 && n[3] >= 0 && n[3] <= 23 && n[4] >= 0 && n[4] <= 59 && n[5] >= 0 && n[5] <= 59) {
      const qvx::TDateTime server = qvx::ComposeDateTime(n[0], n[1], n[2], n[3], n[4], n[5], 0);
      const long long seconds = std::llround(server * 86400) - 5 * 60;
      FUZZ_CHECK(newer == (seconds > std::llround(qvx::GetLocalFileTime(name) * 86400)));
    }
  }
  return 0;
}
