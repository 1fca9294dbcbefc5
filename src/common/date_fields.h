#pragma once
// The reverse of ComposeDateTime: the calendar fields of a TDateTime.
#include <cstdint>

#include "common/date_time.h"

namespace qvx {

struct TDateFields {
  uint16_t Year, Month, Day, Hour, Minute, Second;
};

// Rounded to the nearest second, so a value built by ComposeDateTime from whole seconds gives
// its fields back despite the floating-point fraction. Years outside 1..9999 are not handled.
TDateFields DecodeDateTime(TDateTime value);

}  // namespace qvx
