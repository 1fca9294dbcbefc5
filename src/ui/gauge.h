#pragma once
// A progress gauge: a bar filled in proportion to Progress between MinValue and MaxValue, with
// the percentage done written in its middle.
#include "ui/control.h"

namespace qvx {

// An operation that the control's state does not allow (a gauge range with minimum over maximum).
class EInvalidOperation : public Exception {
  using Exception::Exception;
};

enum class TGaugeKind : uint8_t { gkHorizontalBar, gkVerticalBar };

class TGauge : public TControl {
 public:
  explicit TGauge(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int32_t MinValue() const { return FMinValue; }
  // EInvalidOperation when value is above MaxValue; Progress moves into the new range.
  void SetMinValue(int32_t value);
  int32_t MaxValue() const { return FMaxValue; }
  // EInvalidOperation when value is below MinValue; Progress moves into the new range.
  void SetMaxValue(int32_t value);
  int32_t Progress() const { return FProgress; }
  // Kept within MinValue..MaxValue.
  void SetProgress(int32_t value);
  void AddProgress(int32_t delta);
  // 0..100; 0 when the range is empty.
  int32_t PercentDone() const;

  TColor ForeColor() const { return FForeColor; }
  void SetForeColor(TColor color);
  TColor BackColor() const { return FBackColor; }
  void SetBackColor(TColor color);
  bool ShowText() const { return FShowText; }
  void SetShowText(bool value);
  TGaugeKind Kind() const { return FKind; }
  void SetKind(TGaugeKind kind);

 private:
  int32_t FMinValue = 0;
  int32_t FMaxValue = 100;
  int32_t FProgress = 0;
  TColor FForeColor = clBlack;
  TColor FBackColor = clWhite;
  bool FShowText = true;
  TGaugeKind FKind = TGaugeKind::gkHorizontalBar;
};

}  // namespace qvx
