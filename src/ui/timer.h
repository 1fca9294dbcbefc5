#pragma once
// A component that runs OnTimer every Interval milliseconds on the user-interface thread while
// it is enabled. It runs through the application's timers, so the application's loop must run.
#include <cstdint>

#include "ui/control.h"

namespace qvx {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  // Milliseconds; 0 stops the timer.
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t value);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent handler);
  // Ticking: enabled, with an interval and a handler.
  bool Running() const { return FTimerId != 0; }

 private:
  void Update();
  bool FEnabled = true;
  uint32_t FInterval = 1000;
  TNotifyEvent FOnTimer;
  int FTimerId = 0;
};

}  // namespace qvx
