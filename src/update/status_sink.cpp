#include "update/status_sink.h"

#include <atomic>

namespace qvx {

namespace {
// Atomic because the worker reads it to post WM_UPDATE_DONE; the window stops its worker before
// it leaves, so the pointer read there stays valid for the post.
std::atomic<TStatusSink*> gSink{nullptr};
}  // namespace

void RegisterStatusSink(TStatusSink* sink) { gSink.store(sink); }
TStatusSink* CurrentStatusSink() { return gSink.load(); }

}  // namespace qvx
