#include "common/date_fields.h"

#include <cmath>

namespace qvx {

TDateFields DecodeDateTime(TDateTime value) {
  const int64_t total = std::llround(value * 86400.0);
  int64_t days = total / 86400;
  int64_t seconds = total % 86400;
  if (seconds < 0) seconds += 86400, days -= 1;

  // Civil date from a day count (proleptic Gregorian, eras of 400 years); day 0 is 1899-12-30,
  // which is day 693899 counted from 0000-03-01.
  const int64_t z = days + 693899;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);

  TDateFields f;
  f.Year = static_cast<uint16_t>(year);
  f.Month = static_cast<uint16_t>(month);
  f.Day = static_cast<uint16_t>(day);
  f.Hour = static_cast<uint16_t>(seconds / 3600);
  f.Minute = static_cast<uint16_t>(seconds / 60 % 60);
  f.Second = static_cast<uint16_t>(seconds % 60);
  return f;
}

}  // namespace qvx
