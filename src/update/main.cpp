// The updater's entry: the launch context, the update window as the main window, and the
// window loop until that window closes.
#include <exception>
#include <string>
#include <vector>

#include "lang/form_language.h"
#include "startup/launch_context.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "update/update_window.h"

#ifndef _WIN32
#include "platform/file_system.h"
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
  return 0;
}
