#include "common/date_time.h"

#include "base/errors.h"
#include "platform/locale.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(ComposeDateTime, CountsDaysFrom1899AndRejectsInvalidFields) {
  EXPECT_DOUBLE_EQ(ComposeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(ComposeDateTime(1900, 1, 1, 0, 0, 0, 0), 2.0);
  EXPECT_NEAR(ComposeDateTime(2019, 5, 6, 10, 20, 30, 0), 43591.43090277778, 1e-9);
  EXPECT_DOUBLE_EQ(ComposeDateTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
  EXPECT_NEAR(ComposeDateTime(1, 1, 1, 0, 0, 0, 0), -693593.0, 1e-9);
  EXPECT_NEAR(ComposeDateTime(9999, 12, 31, 23, 59, 59, 999), 2958465.999999988, 1e-8);
  EXPECT_NO_THROW(ComposeDateTime(2020, 2, 29, 0, 0, 0, 0));
  EXPECT_NO_THROW(ComposeDateTime(2000, 2, 29, 0, 0, 0, 0));

  struct Bad {
    uint16_t y, mo, d, h, mi, s, ms;
  } bad[] = {{2019, 2, 29, 0, 0, 0, 0}, {1900, 2, 29, 0, 0, 0, 0}, {2019, 4, 31, 0, 0, 0, 0},
             {2019, 1, 1, 24, 0, 0, 0}, {2019, 1, 1, 0, 60, 0, 0}, {2019, 1, 1, 0, 0, 60, 0},
             {2019, 1, 1, 0, 0, 0, 1000}, {0, 1, 1, 0, 0, 0, 0},    {10000, 1, 1, 0, 0, 0, 0},
             {2019, 0, 1, 0, 0, 0, 0},  {2019, 13, 1, 0, 0, 0, 0}, {2019, 1, 0, 0, 0, 0, 0},
             {2019, 65535, 1, 0, 0, 0, 0}};
  for (const auto& b : bad) {
    EXPECT_THROW(ComposeDateTime(b.y, b.mo, b.d, b.h, b.mi, b.s, b.ms), EConvertError)
        << b.y << "-" << b.mo << "-" << b.d << " " << b.h << ":" << b.mi << ":" << b.s;
  }
}

TEST(ComposeDateTime, FailureWritesTheFieldsWithTheLocaleSeparators) {
  const TLocaleSeparators sep = UserLocaleSeparators();
#ifndef _WIN32
  EXPECT_EQ(sep.Date, '-');
  EXPECT_EQ(sep.Time, ':');
  EXPECT_EQ(sep.Decimal, '.');
#endif
  const std::string expected = std::string("''2019") + sep.Date + "?" + sep.Date + "7 8" +
                               sep.Time + "9" + sep.Time + "10" + sep.Decimal +
                               "11'' is not a valid date and time";
  try {
    ComposeDateTime(2019, 65535, 7, 8, 9, 10, 11);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), expected);
  }
}

}  // namespace
}  // namespace qvx
