#include "startup/launch_context.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/launch_facts.h"
#include "platform/path_delimiter.h"
#include "startup/globals.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

std::string Base64(const std::string& bytes) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
  }
  return out;
}

// Each test starts from the globals as the program finds them, and leaves the platform's own
// executable path and command line in place when it ends.
class LaunchContext : public ::testing::Test {
 protected:
  void SetUp() override { ResetGlobals(); }
  void TearDown() override {
    SetExecutablePath("");
    ResetLaunchArguments();
    ResetGlobals();
  }
  static void ResetGlobals() {
    AppPath.clear();
    UpdateBaseUrl.clear();
    LangIndex = 0;
    SetupIdKey.clear();
    LastSetupIdKey.clear();
    ToolExePath.clear();
    CurrentSetupId = 0;
    PassUsbFlag = false;
    LiteEdition = false;
  }
  test::TTempFolder dir;
};

TEST_F(LaunchContext, AppPathIsTheExecutablesFolder) {
  SetExecutablePath(dir.At("qvxupdate.exe"));
  LoadStartupSettings();
  EXPECT_EQ(AppPath, dir.Path());
  EXPECT_EQ(AppPath.back(), kPathDelimiter);

  SetExecutablePath("C:\\qvxupdate.exe");
  LoadStartupSettings();
  EXPECT_EQ(AppPath, "C:\\") << "a drive's root gets no second backslash";
#ifndef _WIN32
  SetExecutablePath("/opt/qvx/qvxupdate");
  LoadStartupSettings();
  EXPECT_EQ(AppPath, "/opt/qvx/");
#endif
}

TEST_F(LaunchContext, LanguageComesFromConfigAndIsClamped) {
  SetExecutablePath(dir.At("qvxupdate.exe"));
  struct Case {
    const char* config;  // null: no config.ini
    int32_t languages;
    int loaded;   // LangIndex after LoadStartupSettings
    int clamped;  // after ClampLanguageIndex(languages)
  } cases[] = {
      {"[Config]\r\nlang=0\r\n", 2, 0, 1},
      {"[Config]\r\nlang=2\r\n", 2, 2, 2},
      {"[Config]\r\nlang=3\r\n", 2, 3, 1},
      {"[Config]\r\nlang=258\r\n", 2, 2, 2},
      {"[Config]\r\nlang=-1\r\n", 2, 255, 1},
      {"[Config]\r\nlang=-1\r\n", 255, 255, 255},
      {"[config]\r\nLANG = $2\r\n", 3, 2, 2},
      {"[Config]\r\nlang=two\r\n", 3, 0, 1},
      {"[Config]\r\nlang=1\r\n", 0, 1, 1},
      {"[Config]\r\nlang=2\r\n", -1, 2, 1},
      {"[Other]\r\nlang=2\r\n", 2, 0, 1},
      {nullptr, 2, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config ? c.config : "no config.ini");
    if (c.config) {
      dir.Write("config.ini", c.config);
    } else {
      DeleteFileAt(dir.At("config.ini"));
    }
    LoadStartupSettings();
    EXPECT_EQ(LangIndex, c.loaded);
    ClampLanguageIndex(c.languages);
    EXPECT_EQ(LangIndex, c.clamped);
  }
}

TEST_F(LaunchContext, ReadConfigIntReadsAnyKeyOfConfigIni) {
  SetExecutablePath(dir.At("qvxupdate.exe"));
  LoadStartupSettings();
  dir.Write("config.ini", "[Config]\r\nproxtPort=8080\r\nbad=8080x\r\n[Other]\r\nn=-7\r\n");
  EXPECT_EQ(ReadConfigInt("Config", "proxtPort"), 8080);
  EXPECT_EQ(ReadConfigInt("Config", "bad"), 0);
  EXPECT_EQ(ReadConfigInt("other", "N"), -7);
  EXPECT_EQ(ReadConfigInt("Config", "missing"), 0);
}

TEST_F(LaunchContext, ToolArgumentGivesPathFlagAndSetupId) {
  const std::string tool = dir.Write("qvxtool.exe", "MZ");
  const std::string missing = dir.At("gone.exe");
  const int32_t kNone = 2147483647;
  struct Case {
    std::vector<std::string> args;
    std::string path;
    bool usb;
    int32_t id;
  } cases[] = {
      {{Base64(tool + "|1123")}, tool, true, 123},
      {{Base64(tool + "|0123")}, tool, false, 123},
      {{Base64(tool + "|1")}, tool, true, kNone},
      {{Base64(tool + "|1abc")}, tool, true, kNone},
      {{Base64(tool + "|")}, tool, false, kNone},
      {{Base64(tool + "|2-5")}, tool, false, -5},
      {{Base64(tool + "|1$1F")}, tool, true, 31},
      {{Base64(tool + "|1 77")}, tool, true, 77},
      {{Base64(tool + "|1123|9")}, tool, true, kNone},
      {{Base64(tool)}, tool, false, kNone},
      {{Base64(missing + "|1123")}, "", true, 123},
      {{Base64(missing + "|0123")}, "", false, 123},
      {{Base64(missing + "|1")}, "", true, kNone},
      {{Base64("|1123")}, "", true, 123},
      {{Base64(dir.At("qvxtoo?.exe") + "|1123")}, "", true, 123},
      {{Base64(dir.At("*.exe") + "|1123")}, "", true, 123},
      {{}, "", false, kNone},
      {{""}, "", false, kNone},
      {{"not base64!"}, "", false, kNone},
      {{Base64(tool + "|1123") + "\n"}, "", false, kNone},
      {{Base64(tool + "|1123"), "0", "extra"}, tool, true, 123},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no arguments" : c.args[0]);
    PassUsbFlag = false;
    ToolExePath = "stale";
    CurrentSetupId = 0;
    SetLaunchArguments(c.args);
    ReadToolArgument();
    EXPECT_EQ(ToolExePath, c.path);
    EXPECT_EQ(PassUsbFlag, c.usb);
    EXPECT_EQ(CurrentSetupId, c.id);
  }
}

TEST_F(LaunchContext, SecondArgumentZeroSelectsTheLiteEdition) {
  struct Case {
    std::vector<std::string> args;
    bool lite;
  } cases[] = {
      {{"x", "0"}, true},   {{"x", "0", "y"}, true}, {{"x", "00"}, false}, {{"x", "1"}, false},
      {{"x", " 0"}, false}, {{"x"}, false},          {{}, false},          {{"0"}, false},
  };
  for (const auto& c : cases) {
    SetLaunchArguments(c.args);
    ReadEditionArgument();
    EXPECT_EQ(LiteEdition, c.lite) << c.args.size() << " arguments";
    EXPECT_EQ(SetupIdKey, c.lite ? "softidlite" : "softid");
    EXPECT_EQ(LastSetupIdKey, c.lite ? "last_setupidlite" : "last_setupid");
  }
}

TEST_F(LaunchContext, BaseUrlEndsWithASlashUnlessEmpty) {
  struct Case {
    const char* url;
    const char* expected;
  } cases[] = {
      {"http://127.0.0.1:8080/qvx", "http://127.0.0.1:8080/qvx/"},
      {"http://127.0.0.1:8080/qvx/", "http://127.0.0.1:8080/qvx/"},
      {"", ""},
      {"/", "/"},
  };
  for (const auto& c : cases) {
    AssignUpdateBaseUrl(c.url);
    EXPECT_EQ(UpdateBaseUrl, c.expected) << c.url;
  }
}

}  // namespace
}  // namespace qvx
