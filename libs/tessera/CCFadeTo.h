#pragma once
// CCFadeTo: fades a node to a given opacity.

#include "tessera/CCActionInterval.h"

#include <GLES/gl.h>

class CCRGBAProtocol;

/// opacity = from + (to − from) × t, truncated, where `from` is the target's
/// opacity when the action starts. Expects a target that adopts
/// CCRGBAProtocol ("<Class>: target <Class> does not adopt CCRGBAProtocol");
/// with any other target the action changes nothing. Has no reverse.
class CCFadeTo : public CCActionInterval {
  PLATFORM_CLASS(CCFadeTo, CCActionInterval)

 public:
  /// A new autoreleased fade to `opacity` over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param opacity the opacity to end at, 0 to 255.
  static CCFadeTo* actionWithDuration(float duration, GLubyte opacity);

  /// Interval init, then stores the destination opacity.
  virtual bool initWithDuration(float duration, GLubyte opacity);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same opacity.
  CCFadeTo* copy() const override;

  /// Base start, then checks the target and reads its opacity.
  void startWithTarget(platform::Object* target) override;
  /// See the class comment.
  void update(float t) override;

 protected:
  ~CCFadeTo() override = default;

  GLubyte toOpacity_ = 0;
  GLubyte fromOpacity_ = 0;
  CCRGBAProtocol* rgbaTarget_ = nullptr;  // the target, seen through its colour protocol
};
