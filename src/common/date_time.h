#pragma once
// Moments as the update list and the file system's times count them.
#include <cstdint>

namespace qvx {

// Days since 30 December 1899; the fraction is the elapsed part of the day.
using TDateTime = double;

// EConvertError "''%s'' is not a valid date and time" when the fields form no valid moment.
TDateTime ComposeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour,
                          uint16_t minute, uint16_t second, uint16_t millisecond);

}  // namespace qvx
