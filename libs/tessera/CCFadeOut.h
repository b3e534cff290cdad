#pragma once
// CCFadeOut: fades a node from opaque to transparent.

#include "tessera/CCActionInterval.h"

class CCRGBAProtocol;

/// opacity = 255 × (1 − t), truncated. Expects a target that adopts
/// CCRGBAProtocol ("<Class>: target <Class> does not adopt CCRGBAProtocol");
/// with any other target the action changes nothing.
class CCFadeOut : public CCActionInterval {
  PLATFORM_CLASS(CCFadeOut, CCActionInterval)

 public:
  /// A new autoreleased fade-out over `duration` seconds.
  /// \param duration seconds the action lasts.
  static CCFadeOut* actionWithDuration(float duration);

  // copy(): inherited (same class and duration).
  /// A new autoreleased CCFadeIn of the same duration.
  CCFiniteTimeAction* reverse() const override;

  /// Base start, then checks that the target has an opacity.
  void startWithTarget(platform::Object* target) override;
  /// opacity = 255 × (1 − t).
  void update(float t) override;

 protected:
  ~CCFadeOut() override = default;

  CCRGBAProtocol* rgbaTarget_ = nullptr;  // the target, seen through its colour protocol
};
