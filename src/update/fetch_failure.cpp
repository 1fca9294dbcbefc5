#include "update/fetch_failure.h"

namespace qvx {

std::string ListFailureLine(const std::string& url, const std::string& reason,
                            const std::string& addressNote) {
  std::string line = "The update list " + url + " could not be fetched: " + reason;
  if (!addressNote.empty()) line += " (" + addressNote + ")";
  return line;
}

}  // namespace qvx
