#pragma once
// What the update worker may touch of the update window: the status memo, the progress gauge,
// the Retry button, and the window as the receiver of WM_UPDATE_DONE. The window hands itself to
// each worker it starts; tests hand over a recording stand-in. Every call runs on the
// user-interface thread; the worker only posts to the sink from its own thread.
#include <cstdint>
#include <string>

#include "ui/application.h"

namespace qvx {

class TStatusSink : public TMessageReceiver {
 public:
  // Appends a line at the end of the status memo.
  virtual void AddStatusLine(const std::string& line) = 0;
  // The gauge's maximum (its minimum stays 0); a position above it is lowered to it.
  virtual void SetProgressMax(int32_t maximum) = 0;
  // The gauge's position, clamped to the range from 0 to the maximum.
  virtual void SetProgressPosition(int32_t position) = 0;
  // Enables the Retry button; its visibility stays as it is.
  virtual void EnableRetry() = 0;
};

}  // namespace qvx
