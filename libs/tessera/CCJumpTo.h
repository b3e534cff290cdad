#pragma once
// CCJumpTo: moves a node to a position in a series of parabolic hops.

#include "tessera/CCJumpBy.h"

/// A CCJumpBy whose offset is worked out at every start as destination −
/// the node's position, so each run lands on the destination, including
/// second and later runs of the same object (in a repeat, for example).
/// Expects a CCNode target.
class CCJumpTo : public CCJumpBy {
  PLATFORM_CLASS(CCJumpTo, CCJumpBy)

 public:
  /// A new autoreleased jump to `position` over `duration` seconds, in `jumps`
  /// hops of `height` points.
  /// \param duration seconds the action lasts.
  /// \param position where the node lands, points in its parent.
  /// \param height the height of each hop, points.
  /// \param jumps the number of hops.
  static CCJumpTo* actionWithDuration(float duration, CGPoint position, float height, std::int32_t jumps);

  /// As CCJumpBy, and also keeps `position` as the destination.
  bool initWithDuration(float duration, CGPoint position, float height, std::int32_t jumps) override;
  using CCJumpBy::initWithDuration;

  /// A new action of the same class (count 1) with the same destination,
  /// height and hops.
  CCJumpTo* copy() const override;
  // reverse(): inherited; a jump of the same class by the negated current
  // offset (the destination before the first start, the offset after it).

  /// CCJumpBy's start, then offset = destination − start position.
  void startWithTarget(platform::Object* target) override;

 protected:
  ~CCJumpTo() override = default;

  CGPoint destination_;
};
