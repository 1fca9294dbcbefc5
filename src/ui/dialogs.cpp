#include "ui/dialogs.h"

#include <mutex>


namespace qvx {

namespace {
std::mutex gHandlerLock;
std::function<void(const std::string&)> gHandler;
}  // namespace

void SetErrorMessageHandler(std::function<void(const std::string&)> handler) {
  std::lock_guard<std::mutex> lock(gHandlerLock);
  gHandler = std::move(handler);
}

void ShowErrorMessage(const std::string& message) {
  std::function<void(const std::string&)> handler;
  {
    std::lock_guard<std::mutex> lock(gHandlerLock);
    handler = gHandler;
  }
  if (handler)
    handler(message);
  else
    ShowErrorBox(message);
}

}  // namespace qvx
