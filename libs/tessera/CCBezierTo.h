#pragma once
// CCBezierTo: moves a node along a cubic Bézier curve given in absolute points.

#include "tessera/CCBezierBy.h"

/// A CCBezierBy whose curve is given in the node's parent space; at every
/// start the stored curve is made relative to the node's position, so each
/// run ends on the given end point, including second and later runs of the
/// same object. Expects a CCNode target.
class CCBezierTo : public CCBezierBy {
  PLATFORM_CLASS(CCBezierTo, CCBezierBy)

 public:
  /// A new autoreleased move along `bezier` (absolute points) over `duration`
  /// seconds.
  /// \param duration seconds the action lasts.
  /// \param bezier the control points and end point, in the parent's space.
  static CCBezierTo* actionWithDuration(float duration, const ccBezierConfig& bezier);

  /// As CCBezierBy, and also keeps `bezier` as the absolute curve.
  bool initWithDuration(float duration, const ccBezierConfig& bezier) override;
  using CCBezierBy::initWithDuration;

  /// A new action of the same class (count 1) with the same absolute curve.
  CCBezierTo* copy() const override;
  // reverse(): inherited; the same class along the current curve reversed
  // (the absolute curve before the first start, the relative one after it).

  /// CCBezierBy's start, then the curve = absolute curve − start position.
  void startWithTarget(platform::Object* target) override;

 protected:
  ~CCBezierTo() override = default;

  ccBezierConfig toConfig_;
};
