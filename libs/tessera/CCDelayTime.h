#pragma once
// CCDelayTime: an interval action that changes nothing.

#include "tessera/CCActionInterval.h"

/// Takes up time in sequences and pads the shorter member of a spawn.
class CCDelayTime : public CCActionInterval {
  PLATFORM_CLASS(CCDelayTime, CCActionInterval)

 public:
  /// A new autoreleased delay of `duration` seconds.
  /// \param duration seconds to wait.
  static CCDelayTime* actionWithDuration(float duration);

  /// A new autoreleased delay of the same class and duration.
  CCDelayTime* reverse() const override;
  /// Does nothing.
  void update(float t) override;

 protected:
  ~CCDelayTime() override = default;
};
