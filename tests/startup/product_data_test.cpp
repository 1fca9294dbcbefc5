// Where the installation's updates come from: data\Product.ini or the address built in.
#include "startup/product_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "startup/globals.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

class ProductData : public ::testing::Test {
 protected:
  void SetUp() override { AppPath = dir.Path(); }
  void TearDown() override { AppPath.clear(); }
  test::TTempFolder dir;
};

TEST_F(ProductData, NamesTheBaseUrlOrTheBuiltInOneStands) {
  struct Case {
    const char* File;  // nullptr: no data\Product.ini
    std::string Url;
  };
  const std::vector<Case> cases = {
      {nullptr, BuiltInUpdateUrl()},
      {"[Product]\r\nUpdateUrl=http://example.test/u\r\n", "http://example.test/u"},
      {"[product]\r\nupdateurl =  http://example.test/v/  \r\n", "http://example.test/v/"},
      {"[Product]\r\nUpdateUrl=\r\n", BuiltInUpdateUrl()},
      {"[Other]\r\nUpdateUrl=http://example.test/w\r\n", BuiltInUpdateUrl()},
  };
  EXPECT_FALSE(BuiltInUpdateUrl().empty());
  for (const Case& c : cases) {
    if (c.File)
      dir.Write("data\\Product.ini", c.File);
    else if (dir.Exists("data\\Product.ini"))
      DeleteFileAt(dir.At("data\\Product.ini"));
    EXPECT_EQ(ProductUpdateUrl(), c.Url) << (c.File ? c.File : "no file");
  }
}

}  // namespace
}  // namespace qvx
