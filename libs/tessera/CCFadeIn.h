#pragma once
// CCFadeIn: fades a node from transparent to opaque.

#include "tessera/CCActionInterval.h"

class CCRGBAProtocol;

/// opacity = 255 × t, truncated. Expects a target that adopts CCRGBAProtocol
/// ("<Class>: target <Class> does not adopt CCRGBAProtocol"); with any other
/// target the action changes nothing.
class CCFadeIn : public CCActionInterval {
  PLATFORM_CLASS(CCFadeIn, CCActionInterval)

 public:
  /// A new autoreleased fade-in over `duration` seconds.
  /// \param duration seconds the action lasts.
  static CCFadeIn* actionWithDuration(float duration);

  // copy(): inherited (same class and duration).
  /// A new autoreleased CCFadeOut of the same duration.
  CCFiniteTimeAction* reverse() const override;

  /// Base start, then checks that the target has an opacity.
  void startWithTarget(platform::Object* target) override;
  /// opacity = 255 × t.
  void update(float t) override;

 protected:
  ~CCFadeIn() override = default;

  CCRGBAProtocol* rgbaTarget_ = nullptr;  // the target, seen through its colour protocol
};
