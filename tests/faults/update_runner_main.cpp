// One whole update run in a process of its own, for tests that kill it part-way:
//   qvx_update_runner <installation folder ending with its delimiter> <update base URL>
// No tool path is known and the setup ids are not compared; each status line goes to standard
// output as it is shown.
#include <cstdio>
#include <string>

#include "platform/launch_facts.h"
#include "startup/globals.h"
#include "ui/application.h"
#include "update/status_sink.h"
#include "update/update_worker.h"

namespace {

class TPrintingSink : public qvx::TStatusSink {
 public:
  void AddStatusLine(const std::string& line) override {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
  void SetProgressMax(int32_t) override {}
  void SetProgressPosition(int32_t) override {}
  void EnableRetry() override {}
  void HandleMessage(uint32_t, uintptr_t, intptr_t) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qvx_update_runner <installation folder> <base URL>\n");
    return 2;
  }
  qvx::AppPath = argv[1];
  qvx::UpdateBaseUrl = argv[2];
  qvx::LangIndex = 1;
  qvx::ToolExePath.clear();
  qvx::SetExecutablePath(qvx::AppPath + "qvxupdate.exe");
  qvx::SetWorkerPausesForTesting({20, 10});
  qvx::TApplication& app = qvx::TApplication::Instance();
  TPrintingSink sink;
  {
    qvx::TDownShareFileThread worker(&sink);
    worker.Resume();
    app.WaitFor(worker);
  }
  app.CancelMessages(&sink);
  return 0;
}
