#pragma once
// CCActionCamera: the base of interval actions that move the camera of their
// target node.

#include "tessera/CCActionInterval.h"

/// On start, records the target camera's centre, eye and up vectors (points)
/// as the origin of the move. Updates nothing itself. Expects a CCNode
/// target; with any other target the origin is all zero.
class CCActionCamera : public CCActionInterval {
  PLATFORM_CLASS(CCActionCamera, CCActionInterval)

 public:
  /// A new autoreleased camera action of `duration` seconds.
  /// \param duration seconds the action lasts.
  static CCActionCamera* actionWithDuration(float duration);

  /// Base start, then reads the camera's vectors.
  void startWithTarget(platform::Object* target) override;
  /// A CCReverseTime around a copy of this action: the same move backwards.
  CCFiniteTimeAction* reverse() const override;
  /// Does nothing.
  void update(float t) override;

 protected:
  ~CCActionCamera() override = default;

  float centerXOrig_ = 0, centerYOrig_ = 0, centerZOrig_ = 0;
  float eyeXOrig_ = 0, eyeYOrig_ = 0, eyeZOrig_ = 0;
  float upXOrig_ = 0, upYOrig_ = 0, upZOrig_ = 0;
};
