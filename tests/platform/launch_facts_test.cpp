#include "platform/launch_facts.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"

namespace qvx {
namespace {

TEST(LaunchContext, SettersReplaceWhatThePlatformReports) {
  const std::string real = ExecutablePath();
  EXPECT_TRUE(FileExists(real)) << real;

  SetExecutablePath("C:\\elsewhere\\qvxupdate.exe");
  EXPECT_EQ(ExecutablePath(), "C:\\elsewhere\\qvxupdate.exe");
  SetExecutablePath("");
  EXPECT_EQ(ExecutablePath(), real);

  SetLaunchArguments({"QUJD", "0"});
  EXPECT_EQ(LaunchArguments(), (std::vector<std::string>{"QUJD", "0"}));
  SetLaunchArguments({});
  EXPECT_TRUE(LaunchArguments().empty());
  ResetLaunchArguments();
}

}  // namespace
}  // namespace qvx
