#include "platform/memory.h"

namespace qvx {

// Committed heap memory on Windows faults in as it is written; there is no cheaper way here.
void PrepareForWriting(void*, size_t) {}

}  // namespace qvx
