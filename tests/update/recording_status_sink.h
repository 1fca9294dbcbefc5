#pragma once
// A stand-in for the update window: it records what the worker shows, as a list of lines, the
// gauge's reports, the Retry enabling and the messages posted to it.
#include <functional>
#include <string>
#include <vector>

#include "update/status_sink.h"

namespace qvx::test {

class TRecordingStatusSink : public TStatusSink {
 public:
  ~TRecordingStatusSink() override {
    TApplication::Instance().CancelMessages(this);
  }

  void AddStatusLine(const std::string& line) override {
    Lines.push_back(line);
    if (OnLine) OnLine(line);
  }
  void SetProgressMax(int32_t maximum) override {
    Progress.push_back("max " + std::to_string(maximum));
    if (OnProgress) OnProgress();
  }
  void SetProgressPosition(int32_t position) override {
    Progress.push_back("pos " + std::to_string(position));
  }
  void EnableRetry() override { RetryEnabled = true; }
  void HandleMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    Messages.push_back(std::to_string(message) + ":" + std::to_string(wparam) + ":" +
                       std::to_string(lparam));
  }

  std::vector<std::string> Lines;
  std::vector<std::string> Progress;
  std::vector<std::string> Messages;
  bool RetryEnabled = false;
  // Hooks run on the user-interface thread inside the worker's synchronous call.
  std::function<void(const std::string&)> OnLine;
  std::function<void()> OnProgress;
};

}  // namespace qvx::test
