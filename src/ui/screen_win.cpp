#include <windows.h>

#include "ui/screen.h"

namespace qvx {

bool ScreenWorkArea(int32_t& left, int32_t& top, int32_t& width, int32_t& height) {
  RECT r;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) return false;
  left = r.left;
  top = r.top;
  width = r.right - r.left;
  height = r.bottom - r.top;
  return true;
}

}  // namespace qvx
