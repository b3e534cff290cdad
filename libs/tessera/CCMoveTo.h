#pragma once
// CCMoveTo: moves a node to a position in a straight line.

#include "platform/Geometry.h"
#include "tessera/CCActionInterval.h"

/// position = start + (destination − start) × t per axis, where start is the
/// node's position when the action starts; the offset is worked out afresh at
/// every start. Expects a CCNode target. Has no reverse.
class CCMoveTo : public CCActionInterval {
  PLATFORM_CLASS(CCMoveTo, CCActionInterval)

 public:
  /// A new autoreleased move to `position` over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param position where the node ends, points in its parent.
  static CCMoveTo* actionWithDuration(float duration, CGPoint position);

  /// Interval init, then stores the destination.
  virtual bool initWithDuration(float duration, CGPoint position);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same destination.
  CCMoveTo* copy() const override;

  /// Base start, then reads the start position and works out the offset.
  void startWithTarget(platform::Object* target) override;
  /// position = start + offset × t.
  void update(float t) override;

 protected:
  ~CCMoveTo() override = default;

  CGPoint endPosition_;
  CGPoint startPosition_;
  CGPoint delta_;
};
