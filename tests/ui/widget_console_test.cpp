// The console back end shows a visible window's memo lines on standard output, and Ctrl-C
// closes the visible main form.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/gauge.h"
#include "ui/std_controls.h"

namespace qvx {
namespace {

TEST(ConsoleWidgets, MemoLinesOfAVisibleFormGoToStandardOutput) {
  TForm form(nullptr);
  auto* memo = new TMemo(&form);
  auto* gauge = new TGauge(&form);
  memo->SetParent(&form);
  gauge->SetParent(&form);
  testing::internal::CaptureStdout();
  memo->AppendLine("while hidden");
  form.Show();
  memo->AppendLine("Checking for updates");
  gauge->SetProgress(50);  // standard output is no terminal here: no bar
  memo->AppendLine("Done");
  memo->SetVisible(false);
  memo->AppendLine("from a hidden memo");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Checking for updates\nDone\n");
}

TEST(ConsoleWidgets, CtrlCClosesTheVisibleMainForm) {
  TApplication& app = TApplication::Instance();
  TForm form(nullptr);
  int closes = 0;
  form.OnClose = [&](TObject*, TCloseAction&) { ++closes; };
  form.SetMainForm(true);
  form.Show();
  raise(SIGINT);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (closes == 0 && std::chrono::steady_clock::now() < end) app.ProcessMessages();
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(app.Terminated());
  app.ResetTerminated();

  raise(SIGINT);  // no visible main form: nothing to close, and the process goes on
  const auto later = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  while (std::chrono::steady_clock::now() < later) app.ProcessMessages();
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(app.Terminated());
}

}  // namespace
}  // namespace qvx
