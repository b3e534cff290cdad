#pragma once
// CCRotateBy: turns a node by an angle.

#include "tessera/CCActionInterval.h"

/// rotation = start + angle × t, where start is the node's rotation when the
/// action starts (not reduced, so repeated turns accumulate: after n full
/// turns of 360 the rotation is start + 360·n).
/// Expects a CCNode target.
class CCRotateBy : public CCActionInterval {
  PLATFORM_CLASS(CCRotateBy, CCActionInterval)

 public:
  /// A new autoreleased turn by `angle` degrees over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param angle degrees to add to the rotation.
  static CCRotateBy* actionWithDuration(float duration, float angle);

  /// Interval init, then stores the angle.
  virtual bool initWithDuration(float duration, float angle);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same angle.
  CCRotateBy* copy() const override;
  /// A new autoreleased CCRotateBy of −angle over the same duration.
  CCRotateBy* reverse() const override;

  /// Base start, then reads the start angle.
  void startWithTarget(platform::Object* target) override;
  /// rotation = start + angle × t.
  void update(float t) override;

  /// Degrees turned over the whole action.
  float angle() const { return angle_; }

 protected:
  ~CCRotateBy() override = default;

  float angle_ = 0.0f;
  float startAngle_ = 0.0f;
};
