#pragma once
// What the console program adds to the update window beyond the console back end of the window
// layer (memo lines on standard output, the gauge's bar, Ctrl-C as the close box): after a run
// that an error ended, the window stays open until the user closes it. On a console that is
// Enter, which presses Close; a standard input that is no terminal, or that ends, presses it at
// once, so a script never waits for an answer nobody can give.
#include <cstdint>

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
  void AwaitClose();

  TfrmUpdate& FForm;
  bool FAwaitingClose = false;
};

}  // namespace qvx
