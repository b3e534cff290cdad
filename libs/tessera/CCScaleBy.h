#pragma once
// CCScaleBy: multiplies a node's scale by given factors.

#include "tessera/CCScaleTo.h"

/// Ends at start × factor on each axis, where the start scales are the node's
/// when the action starts. Expects a CCNode target.
class CCScaleBy : public CCScaleTo {
  PLATFORM_CLASS(CCScaleBy, CCScaleTo)

 public:
  /// A new autoreleased scale of both axes by the factor `scale` over
  /// `duration` seconds.
  /// \param duration seconds the action lasts.
  /// \param scale the factor both scales are multiplied by.
  static CCScaleBy* actionWithDuration(float duration, float scale);
  /// A new autoreleased scale by the factors `scaleX` and `scaleY`.
  /// \param duration seconds the action lasts.
  /// \param scaleX the factor for the horizontal scale.
  /// \param scaleY the factor for the vertical scale.
  static CCScaleBy* actionWithDuration(float duration, float scaleX, float scaleY);

  // copy(): inherited (same class, same factors).
  /// A new autoreleased CCScaleBy by 1 / factor on each axis, same duration.
  CCScaleBy* reverse() const override;

  /// CCScaleTo's start, then change = start × factor − start on each axis.
  void startWithTarget(platform::Object* target) override;

 protected:
  ~CCScaleBy() override = default;
};
