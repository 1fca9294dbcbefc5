#include "ui/screen.h"

namespace qvx {

bool ScreenWorkArea(int32_t&, int32_t&, int32_t&, int32_t&) { return false; }

}  // namespace qvx
