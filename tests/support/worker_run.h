#pragma once
// One update worker run to its end on this thread's application loop, reporting to a recording
// stand-in for the window; the messages it posted are delivered before the call returns.
#include <functional>
#include <string>
#include <vector>

#include "update/recording_status_sink.h"
#include "update/update_worker.h"

namespace qvx::test {

// Once per suite: this thread serves the worker's synchronous calls, with these pauses.
void PrepareWorkerRuns(const TWorkerPauses& pauses);

// Returns the status lines. beforeStart sees the worker before it runs (to hook the sink to it).
std::vector<std::string> RunWorker(
    TRecordingStatusSink& sink,
    const std::function<void(TDownShareFileThread&)>& beforeStart = nullptr);

}  // namespace qvx::test
