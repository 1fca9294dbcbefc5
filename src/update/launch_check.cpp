#include "update/launch_check.h"

#include "common/base64.h"

namespace qvx {

TLaunchRequest CheckLaunchArguments(const std::vector<std::string>& arguments) {
  for (const std::string& word : arguments) {
    if (word == "--help" || word == "-h" || word == "/?") return TLaunchRequest::Help;
  }
  // An empty first word is no tool path, as the launch context reads it: the listed files are
  // updated and no tool is closed or started. Only POSIX can hand one over; on Windows the
  // command-line rule drops an empty quoted word.
  if (arguments.empty() || arguments[0].empty()) return TLaunchRequest::Run;
  // The tool passes Base64 of its path, "|", the flag and the setup id. Anything else (a plain
  // path, a typo, an option of another program) would run a real update with no tool to close
  // or restart, so it is refused instead.
  const std::string decoded = Base64ToText(arguments[0]);
  const size_t bar = decoded.find('|');
  if (bar == std::string::npos || bar == 0) return TLaunchRequest::Wrong;
  return TLaunchRequest::Run;
}

std::string UsageText() {
  return "Usage: qvxupdate [ARGUMENT [0]]\n"
         "Brings the installation in this program's folder up to date from its update server\n"
         "(data\\Product.ini, [Product] UpdateUrl) and starts the tool again.\n"
         "\n"
         "ARGUMENT  Base64 of  <tool path>|<flag><setup id>  as qvxtool.exe passes it, for\n"
         "          instance Base64 of  C:\\qvxtool\\qvxtool.exe|1123 : flag 1 starts the tool\n"
         "          again with \"usb\", setup id 123 is the installed setup.\n"
         "0         the lite edition (softidlite, last_setupidlite).\n"
         "Without arguments the listed files are updated and no tool is closed or started.\n"
         "\n"
         "Exit codes: 0 up to date or updated, 1 some files failed, 2 the update list could\n"
         "not be fetched or was refused, 3 bad arguments.\n"
         "Every run's lines are kept in data\\update.log.\n";
}

}  // namespace qvx
