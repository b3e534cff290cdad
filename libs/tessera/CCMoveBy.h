#pragma once
// CCMoveBy: moves a node by an offset in a straight line.

#include "tessera/CCMoveTo.h"

/// position = start + offset × t per axis, where start is the node's position
/// when the action starts. Expects a CCNode target.
class CCMoveBy : public CCMoveTo {
  PLATFORM_CLASS(CCMoveBy, CCMoveTo)

 public:
  /// A new autoreleased move by `position` (an offset) over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param position the offset to move by, points.
  static CCMoveBy* actionWithDuration(float duration, CGPoint position);

  /// Interval init, then stores the offset.
  bool initWithDuration(float duration, CGPoint position) override;
  using CCMoveTo::initWithDuration;

  /// A new action of the same class (count 1) with the same offset.
  CCMoveBy* copy() const override;
  /// A new autoreleased CCMoveBy of the negated offset, same duration.
  CCMoveBy* reverse() const override;

  /// Base start, then reads the start position; the offset is kept.
  void startWithTarget(platform::Object* target) override;

  /// The offset moved over the whole action.
  CGPoint delta() const { return delta_; }

 protected:
  ~CCMoveBy() override = default;
};
