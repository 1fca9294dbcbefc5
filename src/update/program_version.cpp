// The version alone in its file: a test program links a version of its own in place of this one
// (an updater that updates itself must show which one runs).
#include "update/update_log.h"

#ifndef QVX_VERSION
#error "QVX_VERSION comes from the build (src/update/program.cmake)"
#endif

namespace qvx {

std::string ProgramVersion() { return QVX_VERSION; }

}  // namespace qvx
