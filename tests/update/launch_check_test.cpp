// Which arguments run an update: the tool's own launch argument (or none), never a request for
// the usage or a first argument of another shape.
#include "update/launch_check.h"

#include <gtest/gtest.h>

#include "common/base64.h"

namespace qvx {
namespace {

TEST(LaunchCheck, OnlyTheToolsShapeOrNothingRunsAnUpdate) {
  const std::string tool = EncodeBase64("C:\\qvxtool\\qvxtool.exe|1123");
  struct TCase {
    std::vector<std::string> Args;
    TLaunchRequest Expected;
  };
  const std::vector<TCase> cases = {
      {{}, TLaunchRequest::Run},
      {{tool}, TLaunchRequest::Run},
      {{""}, TLaunchRequest::Run},  // no tool path, as the launch context reads it
      {{"", "0"}, TLaunchRequest::Run},
      {{tool, "0"}, TLaunchRequest::Run},
      {{EncodeBase64("C:\\qvxtool\\qvxtool.exe|")}, TLaunchRequest::Run},  // no flag, no id: defaults
      {{"--help"}, TLaunchRequest::Help},
      {{"-h"}, TLaunchRequest::Help},
      {{"/?"}, TLaunchRequest::Help},
      {{tool, "--help"}, TLaunchRequest::Help},
      {{"C:\\qvxtool\\qvxtool.exe"}, TLaunchRequest::Wrong},
      {{EncodeBase64("C:\\qvxtool\\qvxtool.exe")}, TLaunchRequest::Wrong},  // no "|"
      {{EncodeBase64("|1123")}, TLaunchRequest::Wrong},                     // no path
      {{"--HELP"}, TLaunchRequest::Wrong},
      {{"not base64!"}, TLaunchRequest::Wrong},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(CheckLaunchArguments(c.Args), c.Expected) << ::testing::PrintToString(c.Args);
  EXPECT_NE(UsageText().find("Exit codes: 0 up to date or updated, 1 some files failed, 2 the update list"),
            std::string::npos);
}

}  // namespace
}  // namespace qvx
