// The version of the second build of the updater, qvxupdate_next: the updater a self-update test
// publishes, so that a run's log shows which of the two programs ran.
#include "update/update_log.h"

namespace qvx {

std::string ProgramVersion() { return "1.0.0-next"; }

}  // namespace qvx
