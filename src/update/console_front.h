#pragma once
// The update window as the console program shows it: every status line on standard output, the
// gauge as a progress bar on standard error while that is a terminal, Ctrl-C as the close box.
// After a run that an error ended (Retry enabled) the window would stay open until the user
// closes it: here Enter presses Close, and a standard input that is no terminal, or that ends,
// presses it at once.
#include <cstdint>
#include <string>

#include "ui/application.h"

namespace qvx {

class TfrmUpdate;

class TConsoleFront : public TMessageReceiver {
 public:
  explicit TConsoleFront(TfrmUpdate& form);
  ~TConsoleFront() override;
  TConsoleFront(const TConsoleFront&) = delete;
  TConsoleFront& operator=(const TConsoleFront&) = delete;

  void HandleMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;

 private:
  void ShowLine(const std::string& line);
  void ShowGauge();
  void ClearBar();
  void AwaitClose();

  TfrmUpdate& FForm;
  bool FBarTerminal;
  bool FBarShown = false;
  int32_t FBarPercent = -1;
  bool FAwaitingClose = false;
};

}  // namespace qvx
