#pragma once
// CCTintTo: tints a node to a given colour.

#include "tessera/CCActionInterval.h"
#include "tessera/ccTypes.h"

class CCRGBAProtocol;

/// Each of red, green and blue = from + (to − from) × t, truncated, where
/// `from` is the target's colour when the action starts. Expects a target that
/// adopts CCRGBAProtocol ("<Class>: target <Class> does not adopt
/// CCRGBAProtocol"); with any other target the action changes nothing. Has no
/// reverse.
class CCTintTo : public CCActionInterval {
  PLATFORM_CLASS(CCTintTo, CCActionInterval)

 public:
  /// A new autoreleased tint to (`red`, `green`, `blue`) over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param red the red to end at.
  /// \param green the green to end at.
  /// \param blue the blue to end at.
  static CCTintTo* actionWithDuration(float duration, GLubyte red, GLubyte green, GLubyte blue);

  /// Interval init, then stores the destination colour.
  virtual bool initWithDuration(float duration, GLubyte red, GLubyte green, GLubyte blue);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same colour.
  CCTintTo* copy() const override;

  /// Base start, then checks the target and reads its colour.
  void startWithTarget(platform::Object* target) override;
  /// See the class comment.
  void update(float t) override;

 protected:
  ~CCTintTo() override = default;

  ccColor3B to_;
  ccColor3B from_;
  CCRGBAProtocol* rgbaTarget_ = nullptr;  // the target, seen through its colour protocol
};
