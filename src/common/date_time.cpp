#include "common/date_time.h"

#include "base/errors.h"
#include "platform/locale.h"

namespace qvx {

namespace {
bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

std::string FieldText(uint16_t value) { return value == 65535 ? "?" : std::to_string(value); }
}  // namespace

TDateTime ComposeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour,
                          uint16_t minute, uint16_t second, uint16_t millisecond) {
  static const int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                        {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
  const int leap = IsLeapYear(year) ? 1 : 0;
  const bool valid = year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                     day <= kMonthDays[leap][month - 1] && hour <= 23 && minute <= 59 &&
                     second <= 59 && millisecond <= 999;
  if (!valid) {
    // The locale is asked only here, to write the fields the way the user reads dates.
    const TLocaleSeparators sep = UserLocaleSeparators();
    std::string moment = FieldText(year) + sep.Date + FieldText(month) + sep.Date +
                         FieldText(day) + ' ' + FieldText(hour) + sep.Time + FieldText(minute) +
                         sep.Time + FieldText(second) + sep.Decimal + FieldText(millisecond);
    throw EConvertError("''" + moment + "'' is not a valid date and time");
  }
  int64_t d = day;
  for (int m = 0; m < month - 1; ++m) d += kMonthDays[leap][m];
  const int64_t y = year - 1;
  const int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + d - 693594;
  const double fraction =
      (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
  return static_cast<double>(days) + fraction;
}

}  // namespace qvx
