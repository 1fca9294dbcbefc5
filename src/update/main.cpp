// The updater's entry: the launch context, the update window as the main window, and the
// window loop until that window closes.
#include <exception>
#include <string>
#include <vector>

#include "lang/form_language.h"
#include "platform/launch_facts.h"
#include "startup/launch_context.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "update/launch_check.h"
#include "update/run_outcome.h"
#include "update/update_log.h"
#include "update/update_window.h"

#ifndef _WIN32
#include "update/console_front.h"
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
  // Away from Windows the arguments come from main, already split into words.
  qvx::SetLaunchArguments(std::vector<std::string>(argv + 1, argv + argc));
#else
  (void)argc;
  (void)argv;
#endif
  // A request for the usage, or an argument the tool never passes, runs no update.
  const qvx::TLaunchRequest request = qvx::CheckLaunchArguments(qvx::LaunchArguments());
  if (request != qvx::TLaunchRequest::Run) {
    const bool help = request == qvx::TLaunchRequest::Help;
    qvx::ShowNotice("qvxupdate", help ? qvx::UsageText()
                                      : "The first argument is not the one qvxtool.exe passes.\n\n" +
                                            qvx::UsageText(),
                    help ? qvx::TNoticeKind::Information : qvx::TNoticeKind::Mistake);
    return help ? 0 : static_cast<int>(qvx::TRunOutcome::BadArguments);
  }
  qvx::TApplication& app = qvx::TApplication::Instance();
  qvx::LoadStartupSettings();
  qvx::ClampLanguageIndex(qvx::GetLanguageCount());

  qvx::TfrmUpdate form(nullptr);
  form.SetMainForm(true);
#ifndef _WIN32
  qvx::TConsoleFront front(form);
#endif
  form.Show();
  // As the windowing application does: an error that reaches the loop is shown and the loop
  // goes on; only the main window's closing ends it.
  while (!app.Terminated()) {
    try {
      app.Run();
    } catch (const std::exception& e) {
      qvx::ShowErrorMessage(e.what());
    }
  }
  qvx::LogExitCode(qvx::RunExitCode());
  return qvx::RunExitCode();
}
