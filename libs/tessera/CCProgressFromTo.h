#pragma once
// CCProgressFromTo: an interval action that animates a progress timer's percentage.

#include "tessera/CCActionInterval.h"

/// percentage = from + (to − from) × t; runs the percentage from `from` to `to`, whatever it was at start. Its reverse runs from `to` to `from`. Expects a CCProgressTimer
/// target; any other target is left alone.
class CCProgressFromTo : public CCActionInterval {
  PLATFORM_CLASS(CCProgressFromTo, CCActionInterval)

 public:
  /// A new autoreleased action over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param fromPercentage the percentage at the start, 0 to 100.
  /// \param toPercentage the percentage at the end, 0 to 100.
  static CCProgressFromTo* actionWithDuration(float duration, float fromPercentage, float toPercentage);

  /// Interval init, then stores the percentages.
  /// \param duration seconds the action lasts.
  /// \param fromPercentage the percentage at the start, 0 to 100.
  /// \param toPercentage the percentage at the end, 0 to 100.
  virtual bool initWithDuration(float duration, float fromPercentage, float toPercentage);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same values; no tag.
  CCProgressFromTo* copy() const override;
  /// A new autoreleased CCProgressFromTo from `to` to `from`, same duration.
  CCProgressFromTo* reverse() const override;
  void update(float t) override;

 protected:
  ~CCProgressFromTo() override = default;

  float to_ = 0.0f;
  float from_ = 0.0f;
};
