// The UTC moments of list expiry: exactly one written form, checked field by field, and the
// count of seconds that the clock's now is compared with.
#include "common/utc_stamp.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(UtcStamp, ReadsOnlyTheOneFormAndCountsFrom1970) {
  struct {
    const char* text;
    bool valid;
    int64_t seconds;
  } cases[] = {
      {"1970-01-01T00:00:00Z", true, 0},
      {"2000-02-29T23:59:59Z", true, 951868799},
      {"2038-01-19T03:14:08Z", true, 2147483648LL},
      {"2024-12-31T12:00:00Z", true, 1735646400},
      {"9999-12-31T23:59:59Z", true, 253402300799LL},
      {"2023-02-29T00:00:00Z", false, 0},
      {"2100-02-29T00:00:00Z", false, 0},
      {"2024-04-31T00:00:00Z", false, 0},
      {"2024-13-01T00:00:00Z", false, 0},
      {"2024-00-10T00:00:00Z", false, 0},
      {"2024-01-00T00:00:00Z", false, 0},
      {"2024-01-01T24:00:00Z", false, 0},
      {"2024-01-01T00:60:00Z", false, 0},
      {"2024-01-01T00:00:60Z", false, 0},
      {"1969-12-31T23:59:59Z", false, 0},
      {"2024-01-01T00:00:00z", false, 0},
      {"2024-01-01T00:00:00", false, 0},
      {"2024-01-01 00:00:00Z", false, 0},
      {"2024-1-01T00:00:00Z", false, 0},
      {" 2024-01-01T00:00:00Z", false, 0},
      {"2024-01-01T00:00:00+00:00", false, 0},
      {"+024-01-01T00:00:00Z", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    int64_t seconds = -1;
    EXPECT_EQ(ParseUtcStamp(c.text, seconds), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(seconds, c.seconds) << c.text;
      EXPECT_EQ(FormatUtcStamp(seconds), c.text);
    }
  }
  // Every day of four years, across a century that leaps (2000) and one that does not (2100).
  for (int64_t start : {int64_t{946684800}, int64_t{4102444800}}) {
    for (int64_t day = 0; day < 4 * 366; ++day) {
      const int64_t t = start + day * 86400 + 3723;
      int64_t back = 0;
      ASSERT_TRUE(ParseUtcStamp(FormatUtcStamp(t), back)) << FormatUtcStamp(t);
      ASSERT_EQ(back, t);
    }
  }
  const int64_t now = UtcNowSeconds();
  EXPECT_GT(now, 1735646400);  // this code was written after 2024
  EXPECT_LT(now, 253402300799LL);
}

}  // namespace
}  // namespace qvx
