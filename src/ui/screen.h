#pragma once
// The screen that forms are placed on (a form centred on the screen asks it).
#include <cstdint>

namespace qvx {

// The part of the screen that windows may use; false on a back end without a screen.
bool ScreenWorkArea(int32_t& left, int32_t& top, int32_t& width, int32_t& height);

}  // namespace qvx
