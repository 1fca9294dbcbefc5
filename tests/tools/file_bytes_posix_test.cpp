#include "qvxpublish/file_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/errors.h"

namespace qvx {
namespace {

namespace fs = std::filesystem;

class FileBytesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FFolder = fs::temp_directory_path() /
              ("qvxpublish-file-bytes-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(FFolder);
    fs::create_directories(FFolder);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(FFolder, ignored);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(FFolder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path FFolder;
};

// A web server here tells letter cases apart, so a published file must land under exactly its
// own name: the updater's case-blind lookup must not send it over a stale "README.TXT".
TEST_F(FileBytesTest, WritesExactlyTheNameGiven) {
  std::ofstream(FFolder / "README.TXT", std::ios::binary) << "stale";
  ReplaceFileBytes(FFolder / "readme.txt", "new");
  ReplaceFileBytes(FFolder / "readme.txt", "newer");
  EXPECT_EQ(ReadFileBytes(FFolder / "readme.txt"), "newer");
  EXPECT_EQ(ReadFileBytes(FFolder / "README.TXT"), "stale");
  EXPECT_EQ(Names(), (std::vector<std::string>{"README.TXT", "readme.txt"}));
}

TEST_F(FileBytesTest, AFailureNamesTheFileAndLeavesNothingBeside) {
  fs::create_directories(FFolder / "up.txt");
  try {
    ReplaceFileBytes(FFolder / "up.txt", "x");
    FAIL() << "a folder was replaced";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Cannot write \"" + (FFolder / "up.txt").u8string() + "\". ", 0),
              0u)
        << e.Message();
  }
  EXPECT_TRUE(fs::is_directory(FFolder / "up.txt"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"up.txt"}));
}

}  // namespace
}  // namespace qvx
