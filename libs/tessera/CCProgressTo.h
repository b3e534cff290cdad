#pragma once
// CCProgressTo: an interval action that animates a progress timer's percentage.

#include "tessera/CCActionInterval.h"

/// percentage = from + (to − from) × t; runs the percentage from its value at start to `percent`. A timer already at exactly 100 starts again from 0, so a full bar refills. Has no reverse. Expects a CCProgressTimer
/// target; any other target is left alone.
class CCProgressTo : public CCActionInterval {
  PLATFORM_CLASS(CCProgressTo, CCActionInterval)

 public:
  /// A new autoreleased action over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param percent the percentage to end at, 0 to 100.
  static CCProgressTo* actionWithDuration(float duration, float percent);

  /// Interval init, then stores the percentages.
  /// \param duration seconds the action lasts.
  /// \param percent the percentage to end at, 0 to 100.
  virtual bool initWithDuration(float duration, float percent);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same values; no tag.
  CCProgressTo* copy() const override;

  /// Base start, then reads the starting percentage from the timer (0 when
  /// it is exactly 100).
  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

 protected:
  ~CCProgressTo() override = default;

  float to_ = 0.0f;
  float from_ = 0.0f;
};
