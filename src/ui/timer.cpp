#include "ui/timer.h"

#include "ui/application.h"
#include "ui/property_table.h"

namespace qvx {

const TClassInfo& TTimer::StaticClassInfo() {
  static const TClassInfo info("TTimer", &TComponent::StaticClassInfo(),
                               {
                                   EnumProp("Enabled", &TTimer::Enabled, &TTimer::SetEnabled),
                                   IntProp("Interval", &TTimer::Interval, &TTimer::SetInterval),
                               });
  return info;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  if (FTimerId) TApplication::Instance().KillTimer(FTimerId);
}

void TTimer::Update() {
  TApplication& app = TApplication::Instance();
  if (FTimerId) {
    app.KillTimer(FTimerId);
    FTimerId = 0;
  }
  if (FEnabled && FInterval > 0 && FOnTimer)
    // The handler may free or stop this timer; it is called through a copy of the event.
    FTimerId = app.SetTimer(FInterval, [this] {
      TNotifyEvent handler = FOnTimer;
      handler(this);
    });
}

void TTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Update();
}

void TTimer::SetInterval(uint32_t value) {
  if (value == FInterval) return;
  FInterval = value;
  Update();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  FOnTimer = std::move(handler);
  Update();
}

}  // namespace qvx
