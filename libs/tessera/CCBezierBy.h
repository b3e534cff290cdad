#pragma once
// CCBezierBy: moves a node along a cubic Bézier curve relative to its start.

#include "platform/Geometry.h"
#include "tessera/CCActionInterval.h"

/// A cubic Bézier curve from (0, 0) through two control points to an end
/// point, all relative to the node's start position.
struct ccBezierConfig {
  CGPoint endPosition;
  CGPoint controlPoint_1;
  CGPoint controlPoint_2;
};

/// Per axis, with a = 0, b = control point 1, c = control point 2, d = end:
///   value = (1 − t)³·a + 3t(1 − t)²·b + 3t²(1 − t)·c + t³·d
/// and position = start + (x value, y value). At t = 1 the node is exactly at
/// start + end. Expects a CCNode target.
class CCBezierBy : public CCActionInterval {
  PLATFORM_CLASS(CCBezierBy, CCActionInterval)

 public:
  /// A new autoreleased move along `bezier` over `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param bezier the control points and end point, relative to the start.
  static CCBezierBy* actionWithDuration(float duration, const ccBezierConfig& bezier);

  /// Interval init, then stores the curve.
  virtual bool initWithDuration(float duration, const ccBezierConfig& bezier);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same curve.
  CCBezierBy* copy() const override;
  /// A new autoreleased action of the same class along the curve run
  /// backwards from its end: end −e, control points c2 − e and c1 − e (e, c1,
  /// c2 the current values).
  CCBezierBy* reverse() const override;

  /// Base start, then reads the start position.
  void startWithTarget(platform::Object* target) override;
  /// See the class comment.
  void update(float t) override;

 protected:
  ~CCBezierBy() override = default;

  ccBezierConfig config_;
  CGPoint startPosition_;
};
