#pragma once
// CCScaleTo: scales a node to given factors.

#include "tessera/CCActionInterval.h"

/// scaleX = start + (end − start) × t, and the same for y, where the start
/// scales are the node's when the action starts. Expects a CCNode target.
/// Has no reverse.
class CCScaleTo : public CCActionInterval {
  PLATFORM_CLASS(CCScaleTo, CCActionInterval)

 public:
  /// A new autoreleased scale of both axes to `scale` over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param scale the scale both axes end at.
  static CCScaleTo* actionWithDuration(float duration, float scale);
  /// A new autoreleased scale to `scaleX` and `scaleY` over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param scaleX the horizontal scale to end at.
  /// \param scaleY the vertical scale to end at.
  static CCScaleTo* actionWithDuration(float duration, float scaleX, float scaleY);

  /// Interval init, then both end scales = `scale`.
  bool initWithDuration(float duration, float scale);
  /// Interval init, then stores the end scales.
  virtual bool initWithDuration(float duration, float scaleX, float scaleY);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same end scales.
  CCScaleTo* copy() const override;

  /// Base start, then reads the start scales and works out the changes.
  void startWithTarget(platform::Object* target) override;
  /// Sets scaleX, then scaleY, each to start + change × t.
  void update(float t) override;

 protected:
  ~CCScaleTo() override = default;

  float startScaleX_ = 0.0f;
  float startScaleY_ = 0.0f;
  float endScaleX_ = 0.0f;
  float endScaleY_ = 0.0f;
  float deltaX_ = 0.0f;
  float deltaY_ = 0.0f;
};
