#include "common/integer_rule.h"

#include "base/errors.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(IntegerRule, AcceptsAndRejectsLikeTheOneRule) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"7", true, 7},
      {" 7", true, 7},
      {"  -7", true, -7},
      {"+7", true, 7},
      {"012", true, 12},
      {"0", true, 0},
      {"$1f", true, 31},
      {"$aA", true, 170},
      {"0X1F", true, 31},
      {"0x1F", true, 31},
      {"x1F", true, 31},
      {"X1f", true, 31},
      {"-$10", true, -16},
      {"$FFFFFFFF", true, -1},
      {"$80000000", true, INT32_MIN},
      {"-$80000000", true, INT32_MIN},
      {"$0FFFFFFFF", true, -1},  // leading zero does not count against the eight digits
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"00000000002147483647", true, INT32_MAX},
      {"7 ", false, 0},
      {"- 7", false, 0},
      {"", false, 0},
      {"  ", false, 0},
      {"--7", false, 0},
      {"+-7", false, 0},
      {"\t7", false, 0},  // only byte 32 is skipped
      {"0x", false, 0},
      {"$", false, 0},
      {"-", false, 0},
      {"$1G", false, 0},
      {"1.5", false, 0},
      {"12abc", false, 0},
      {"2147483648", false, 0},
      {"+2147483648", false, 0},
      {"-2147483649", false, 0},
      {"4294967296", false, 0},
      {"99999999999", false, 0},
      {"$100000000", false, 0},
      {"0x0x1", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("text '") + c.text + "'");
    int32_t v = 12345;
    EXPECT_EQ(TryTextToInt32(c.text, v), c.ok);
    EXPECT_EQ(TextToInt32Def(c.text, -99), c.ok ? c.value : -99);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
      EXPECT_EQ(TextToInt32(c.text), c.value);
    } else {
      EXPECT_EQ(v, 12345) << "a failed conversion must leave the integer alone";
      try {
        TextToInt32(c.text);
        ADD_FAILURE() << "no exception";
      } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), std::string("'") + c.text + "' is not a valid integer value");
      }
    }
  }
}

}  // namespace
}  // namespace qvx
