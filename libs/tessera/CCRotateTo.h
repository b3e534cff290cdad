#pragma once
// CCRotateTo: turns a node to an angle the short way round.

#include "tessera/CCActionInterval.h"

/// On start the node's rotation is reduced into (−360, 360) (keeping its
/// sign) and the turn to the destination is taken the short way: a difference
/// above 180 turns the other way. From 350 to 10 turns +20 degrees; from 10 to
/// 350, −20. The destination itself is not reduced, so one outside
/// (−360, 360) can make a longer turn (from 0 to 720 turns +360).
/// Expects a CCNode target. Has no reverse.
class CCRotateTo : public CCActionInterval {
  PLATFORM_CLASS(CCRotateTo, CCActionInterval)

 public:
  /// A new autoreleased turn to `angle` degrees over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param angle the rotation to end at, degrees.
  static CCRotateTo* actionWithDuration(float duration, float angle);

  /// Interval init, then stores the destination angle.
  virtual bool initWithDuration(float duration, float angle);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same destination.
  CCRotateTo* copy() const override;

  /// Base start, then reads and reduces the start angle and works out the turn.
  void startWithTarget(platform::Object* target) override;
  /// rotation = start + difference × t.
  void update(float t) override;

 protected:
  ~CCRotateTo() override = default;

  float dstAngle_ = 0.0f;
  float startAngle_ = 0.0f;
  float diffAngle_ = 0.0f;
};
