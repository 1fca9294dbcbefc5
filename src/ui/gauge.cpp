#include "ui/gauge.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "ui/property_table.h"

namespace qvx {

const TClassInfo& TGauge::StaticClassInfo() {
  static const TClassInfo info("TGauge", &TControl::StaticClassInfo(),
                               {
                                   IntProp("MinValue", &TGauge::MinValue, &TGauge::SetMinValue),
                                   IntProp("MaxValue", &TGauge::MaxValue, &TGauge::SetMaxValue),
                                   IntProp("Progress", &TGauge::Progress, &TGauge::SetProgress),
                                   IntProp("ForeColor", &TGauge::ForeColor, &TGauge::SetForeColor),
                                   IntProp("BackColor", &TGauge::BackColor, &TGauge::SetBackColor),
                                   EnumProp("ShowText", &TGauge::ShowText, &TGauge::SetShowText),
                                   EnumProp("Kind", &TGauge::Kind, &TGauge::SetKind),
                               });
  return info;
}

TGauge::TGauge(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 100, 100); }

void TGauge::SetMinValue(int32_t value) {
  if (value == FMinValue) return;
  if (value > FMaxValue)
    throw EInvalidOperation("Value must be between " + std::to_string(INT32_MIN) + " and " +
                            std::to_string(FMaxValue));
  FMinValue = value;
  FProgress = std::max(FProgress, value);
  Changed(TChange::Progress);
}

void TGauge::SetMaxValue(int32_t value) {
  if (value == FMaxValue) return;
  if (value < FMinValue)
    throw EInvalidOperation("Value must be between " + std::to_string(FMinValue) + " and " +
                            std::to_string(INT32_MAX));
  FMaxValue = value;
  FProgress = std::min(FProgress, value);
  Changed(TChange::Progress);
}

void TGauge::SetProgress(int32_t value) {
  value = std::clamp(value, FMinValue, FMaxValue);
  if (value == FProgress) return;
  FProgress = value;
  Changed(TChange::Progress);
}

void TGauge::AddProgress(int32_t delta) {
  int64_t sum = static_cast<int64_t>(FProgress) + delta;
  SetProgress(static_cast<int32_t>(std::clamp<int64_t>(sum, FMinValue, FMaxValue)));
}

int32_t TGauge::PercentDone() const {
  int64_t range = static_cast<int64_t>(FMaxValue) - FMinValue;
  if (range <= 0) return 0;
  return static_cast<int32_t>((static_cast<int64_t>(FProgress) - FMinValue) * 100 / range);
}

void TGauge::SetForeColor(TColor color) {
  if (color == FForeColor) return;
  FForeColor = color;
  Changed(TChange::Progress);
}

void TGauge::SetBackColor(TColor color) {
  if (color == FBackColor) return;
  FBackColor = color;
  Changed(TChange::Progress);
}

void TGauge::SetShowText(bool value) {
  if (value == FShowText) return;
  FShowText = value;
  Changed(TChange::Progress);
}

void TGauge::SetKind(TGaugeKind kind) {
  if (kind == FKind) return;
  FKind = kind;
  Changed(TChange::Progress);
}

}  // namespace qvx
