#include "platform/free_space.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace qvx {
namespace {

TEST(FreeSpace, AFolderTellsItsVolumesRoomAndAMissingOneTellsNothing) {
  test::TTempFolder dir;
  std::string withoutDelimiter = dir.Path();
  withoutDelimiter.pop_back();
  for (const std::string& folder : {dir.Path(), withoutDelimiter}) {
    uint64_t bytes = 0;
    EXPECT_TRUE(FreeSpaceOfFolder(folder, bytes)) << folder;
    // A machine that runs these tests has room for their files at least.
    EXPECT_GT(bytes, 1u << 20) << folder;
  }
  uint64_t untouched = 12345;
  EXPECT_FALSE(FreeSpaceOfFolder(dir.At("missing\\deeper\\"), untouched));
  EXPECT_EQ(untouched, 12345u);
}

}  // namespace
}  // namespace qvx
