#pragma once
// CCBlink: hides and shows a node a number of times.

#include "tessera/CCActionInterval.h"

#include <cstdint>

/// The duration is cut into `blinks` equal slices; in each, the node is hidden
/// for the first half and visible for the second. Once the action is done the
/// update changes nothing, so the node keeps the visibility of the previous
/// frame, which with normal frame rates is the visible second half of the last
/// slice. Expects a CCNode target.
class CCBlink : public CCActionInterval {
  PLATFORM_CLASS(CCBlink, CCActionInterval)

 public:
  /// A new autoreleased blink `blinks` times over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param blinks how many times the node goes out and back.
  static CCBlink* actionWithDuration(float duration, std::int32_t blinks);

  /// Interval init, then stores the number of blinks.
  virtual bool initWithDuration(float duration, std::int32_t blinks);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same number of blinks.
  CCBlink* copy() const override;
  /// A new autoreleased blink of the same class, duration and count.
  CCBlink* reverse() const override;

  /// See the class comment.
  void update(float t) override;

 protected:
  ~CCBlink() override = default;

  std::int32_t times_ = 0;
};
