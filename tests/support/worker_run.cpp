#include "support/worker_run.h"

#include "ui/application.h"

namespace qvx::test {

void PrepareWorkerRuns(const TWorkerPauses& pauses) {
  TApplication::Instance();
  SetWorkerPausesForTesting(pauses);
}

std::vector<std::string> RunWorker(TRecordingStatusSink& sink,
                                   const std::function<void(TDownShareFileThread&)>& beforeStart) {
  {
    TDownShareFileThread worker(&sink);
    if (beforeStart) beforeStart(worker);
    worker.Resume();
    TApplication::Instance().WaitFor(worker);
  }
  TApplication::Instance().ProcessMessages();
  return sink.Lines;
}

}  // namespace qvx::test
