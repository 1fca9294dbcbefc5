#include "common/date_fields.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(DecodeDateTime, GivesBackTheFieldsComposeDateTimeTook) {
  struct Case {
    uint16_t y, mo, d, h, mi, s;
  } cases[] = {
      {1899, 12, 30, 0, 0, 0},  {1900, 1, 1, 0, 0, 1},     {1980, 1, 1, 0, 0, 0},
      {2000, 2, 29, 23, 59, 59}, {2019, 5, 6, 10, 20, 30}, {2100, 3, 1, 12, 0, 0},
      {2107, 12, 31, 23, 59, 58}, {1, 1, 1, 0, 0, 0},      {9999, 12, 31, 23, 59, 59},
  };
  for (const Case& c : cases) {
    const TDateFields f = DecodeDateTime(ComposeDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s, 0));
    EXPECT_EQ(f.Year, c.y);
    EXPECT_EQ(f.Month, c.mo);
    EXPECT_EQ(f.Day, c.d);
    EXPECT_EQ(f.Hour, c.h);
    EXPECT_EQ(f.Minute, c.mi);
    EXPECT_EQ(f.Second, c.s) << c.y << "-" << c.mo << "-" << c.d;
  }
}

TEST(DecodeDateTime, WalksEveryDayOfFourCenturiesInStep) {
  // Each day number must decode to the date ComposeDateTime maps back to it.
  for (int day = -1; day < 146097; day += 1) {
    const TDateFields f = DecodeDateTime(ComposeDateTime(1900, 1, 1, 0, 0, 0, 0) + day + 0.75);
    ASSERT_EQ(ComposeDateTime(f.Year, f.Month, f.Day, f.Hour, f.Minute, f.Second, 0),
              ComposeDateTime(1900, 1, 1, 18, 0, 0, 0) + day)
        << "day " << day;
  }
}

TEST(DecodeDateTime, RoundsToTheNearestSecond) {
  const TDateTime t = ComposeDateTime(2015, 3, 20, 10, 4, 59, 0);
  const TDateFields below = DecodeDateTime(t - 0.4 / 86400), above = DecodeDateTime(t + 0.4 / 86400);
  EXPECT_EQ(below.Second, 59);
  EXPECT_EQ(above.Second, 59);
  EXPECT_EQ(DecodeDateTime(t + 0.6 / 86400).Minute, 5);
}

}  // namespace
}  // namespace qvx
