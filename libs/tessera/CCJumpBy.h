#pragma once
// CCJumpBy: moves a node by an offset in a series of parabolic hops.

#include "platform/Geometry.h"
#include "tessera/CCActionInterval.h"

#include <cstdint>

/// With frac = fmod(jumps × t, 1), the node is at
///   x = start.x + offset.x × t
///   y = start.y + height × 4 × frac × (1 − frac) + offset.y × t,
/// so each hop rises `height` above the straight line and lands back on it;
/// at t = 1 the node is exactly at start + offset.
/// Expects a CCNode target.
class CCJumpBy : public CCActionInterval {
  PLATFORM_CLASS(CCJumpBy, CCActionInterval)

 public:
  /// A new autoreleased jump by `position` (an offset) over `duration`
  /// seconds, in `jumps` hops of `height` points.
  /// \param duration seconds the action lasts.
  /// \param position the offset to end at, points.
  /// \param height the height of each hop, points.
  /// \param jumps the number of hops.
  static CCJumpBy* actionWithDuration(float duration, CGPoint position, float height, std::int32_t jumps);

  /// Interval init, then stores the offset, height and number of hops.
  virtual bool initWithDuration(float duration, CGPoint position, float height, std::int32_t jumps);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same values.
  CCJumpBy* copy() const override;
  /// A new autoreleased jump of the same class by the negated offset, with the
  /// same height, hops and duration.
  CCJumpBy* reverse() const override;

  /// Base start, then reads the start position.
  void startWithTarget(platform::Object* target) override;
  /// See the class comment.
  void update(float t) override;

 protected:
  ~CCJumpBy() override = default;

  CGPoint startPosition_;
  CGPoint delta_;
  float height_ = 0.0f;
  std::int32_t jumps_ = 0;
};
