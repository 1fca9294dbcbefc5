#pragma once
// The qvxpublish command: publishes a release folder as an update server folder, or checks one.
#include <ostream>
#include <string>
#include <vector>

namespace qvx {

// args without the program name. Returns the exit code: 0 done, 1 refused or failed (the reason
// on err), 2 usage.
int RunPublisher(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qvx
