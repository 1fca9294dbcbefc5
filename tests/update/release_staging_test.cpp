#include "update/release_staging.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

// A space line must never show the needed and the free amount alike while one is short: the
// needed one rounds up, the free one down.
TEST(ByteCountText, PicksTheUnitAndRoundsEachWayAsAsked) {
  struct {
    uint64_t Bytes;
    bool Up;
    const char* Text;
  } const cases[] = {
      {0, false, "0 bytes"},
      {1, true, "1 byte"},
      {1023, true, "1023 bytes"},
      {1024, true, "1.0 KB"},
      {1025, true, "1.1 KB"},
      {1025, false, "1.0 KB"},
      {(5u << 20) - 1, true, "5.0 MB"},
      {(5u << 20) - 1, false, "4.9 MB"},
      {(5u << 20) + 1, true, "5.1 MB"},
      {3ull << 30, false, "3.0 GB"},
      {5000ull << 40, false, "5000.0 TB"},
  };
  for (const auto& c : cases) EXPECT_EQ(ByteCountText(c.Bytes, c.Up), c.Text) << c.Bytes << (c.Up ? " up" : " down");
}

TEST(ReleaseGauge, CountsInKibibytesAndEndsFull) {
  TReleaseGauge gauge;
  gauge.Start(150000 + 5000);  // 151.4 KiB: a gauge of 152
  EXPECT_EQ(gauge.Max(), 152);
  EXPECT_EQ(gauge.Position(), 0);
  EXPECT_FALSE(gauge.Add(1000));  // less than a block of 64 KiB since the last report
  EXPECT_TRUE(gauge.Add(70000));
  EXPECT_EQ(gauge.Position(), 70);
  EXPECT_TRUE(gauge.Add(84000));  // the last byte: reported whatever came before
  EXPECT_EQ(gauge.Position(), 152);
  EXPECT_TRUE(gauge.Add(10));  // more than expected stays at the end
  EXPECT_EQ(gauge.Position(), 152);
  // A large release is shown in steps of a 500th of it, not every 64 KiB.
  gauge.Start(500ull << 20);
  EXPECT_FALSE(gauge.Add(1000u << 10));
  EXPECT_TRUE(gauge.Add(24u << 10));
  EXPECT_EQ(gauge.Position(), 1024);
  EXPECT_FALSE(gauge.Add(1000u << 10));
  // A release beyond 2 TiB still fits the gauge's range.
  gauge.Start(uint64_t(1) << 45);
  EXPECT_EQ(gauge.Max(), INT32_MAX);
}

}  // namespace
}  // namespace qvx
