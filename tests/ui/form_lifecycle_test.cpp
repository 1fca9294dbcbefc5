// A form's life as the update window lives it: creation with a failing OnCreate, show, the
// timer's one tick, close. Runs on both back ends.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/form.h"
#include "ui/std_controls.h"
#include "ui/timer.h"

namespace qvx {
namespace {

TEST(FormLifecycle, AFailureInOnCreateIsShownAndCreationGoesOn) {
  std::vector<std::string> shown;
  SetErrorMessageHandler([&](const std::string& m) { shown.push_back(m); });
  TForm form(nullptr);
  auto* memo = new TMemo(&form);
  form.OnCreate = [&](TObject*) {
    memo->AppendLine("before");
    throw Exception("Translation failed");
  };
  form.DoCreate();
  SetErrorMessageHandler(nullptr);
  EXPECT_EQ(shown, std::vector<std::string>{"Translation failed"});
  EXPECT_EQ(memo->Lines()->Count(), 1) << "what OnCreate did before the failure stays";
}

TEST(FormLifecycle, ShowRunsOnShowAndClosingTheMainFormEndsTheApplication) {
  TApplication& app = TApplication::Instance();
  app.ResetTerminated();  // whatever an earlier test in this program left
  TForm form(nullptr);
  int shows = 0, hides = 0;
  form.OnShow = [&](TObject*) { ++shows; };
  form.OnHide = [&](TObject*) { ++hides; };
  form.Show();
  form.Show();
  EXPECT_EQ(shows, 1);

  form.Close();  // not the main form: only hidden
  EXPECT_EQ(hides, 1);
  EXPECT_FALSE(app.Terminated());

  form.SetMainForm(true);
  form.Show();
  form.Close();
  EXPECT_TRUE(app.Terminated());
  app.ResetTerminated();
}

TEST(FormLifecycle, ATimerThatStopsItselfTicksOnce) {
  TApplication& app = TApplication::Instance();
  TForm form(nullptr);
  auto* timer = new TTimer(&form);
  timer->SetEnabled(false);
  timer->SetInterval(20);
  int ticks = 0;
  timer->SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, timer);
    timer->SetEnabled(false);
    ++ticks;
  });
  EXPECT_FALSE(timer->Running());
  timer->SetEnabled(true);
  EXPECT_TRUE(timer->Running());
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
  while (std::chrono::steady_clock::now() < end) {
    app.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(timer->Running());

  timer->SetEnabled(true);
  delete timer;  // a running timer stops with its component
  const auto later = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  while (std::chrono::steady_clock::now() < later) app.ProcessMessages();
  EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace qvx
