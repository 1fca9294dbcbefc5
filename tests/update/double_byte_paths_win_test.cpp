// An installation in a folder with a Chinese name, updated end to end: in code page 936 the
// second byte of a character may be the byte of "\" (0x5C), and it is no delimiter, neither in
// the program's own path nor in a listed name. Wine takes that code page from a Chinese locale
// (scripts/wine-tests.sh runs these so); in any other the case is skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/file_utils.h"
#include "lang/message_strings.h"
#include "platform/file_system.h"
#include "platform/launch_facts.h"
#include "startup/globals.h"
#include "startup/launch_context.h"
#include "support/script_server.h"
#include "support/temp_folder.h"
#include "support/worker_run.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;

std::string Ok(const std::string& body) { return test::OkAnswer(body, "Connection: close\r\n"); }

TEST(DoubleBytePaths, AnInstallationInAChineseFolderIsUpdatedEndToEnd) {
  if (GetACP() != 936) GTEST_SKIP() << "needs the ANSI code page 936, not " << GetACP();
  test::PrepareWorkerRuns({20, 10});
  const std::string c = "\x81\x5C";  // one character; its second byte is that of "\"
  test::TTempFolder dir;
  const std::string root = dir.Path() + c + "\\";  // the installation folder
  CreateFolder(root);
  CreateFolder(root + "data");
  CreateFolder(root + c);
  WriteWholeFile(root + "data\\Language.ini", "[1]\r\ncon_str146=Done.\r\ncon_str147=Fetching:\r\n");
  WriteWholeFile(root + c + "\\" + c + ".txt", "old");

  SetExecutablePath(root + c + "qvxupdate.exe");
  LoadStartupSettings();
  EXPECT_EQ(AppPath, root);
  LangIndex = 1;
  ForgetLangStrFile();

  ScriptServer server({ServerScript().Answer(Ok("filecount=1\r\nfilename0=" + c + "\\" + c +
                                                ".txt\r\nfiledate0=2099-1-1-0-0-0\r\n"
                                                "AppDate=2015-3-20\r\n")),
                       ServerScript().Answer(Ok("new"))},
                      8000);
  UpdateBaseUrl = server.BaseUrl() + "/qvx/";
  test::TRecordingStatusSink sink;
  test::RunWorker(sink);

  EXPECT_EQ(sink.Lines, (std::vector<std::string>{"Fetching:", "Fetching:" + c + ".txt", "Done."}));
  const std::vector<std::string> asked = server.Received();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].rfind("GET /qvx/" + c + ".txt HTTP/1.", 0), 0u) << asked[1];
  EXPECT_EQ(ReadWholeFile(root + c + "\\" + c + ".txt"), "new");
  const TFindFilesDynArray beside = FindFilesInFolder(root + c + "\\", "*");
  ASSERT_EQ(beside.size(), 1u) << "a temporary file was left beside the installed one";
  EXPECT_EQ(beside[0].Name, c + ".txt");
  EXPECT_EQ(ReadWholeFile(root + "data\\App.info"), "AppDate=2015-3-20\r\n");

  ForgetLangStrFile();
  SetExecutablePath("");
  SetWorkerPausesForTesting({});
}

}  // namespace
}  // namespace qvx
