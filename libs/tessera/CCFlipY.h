#pragma once
// CCFlipY: an instant action that sets or clears a sprite's Y flip.

#include "tessera/CCActionInstant.h"

/// On start: the target sprite's setFlipY(flag). Expects a CCSprite
/// target; any other target is left alone.
class CCFlipY : public CCActionInstant {
  PLATFORM_CLASS(CCFlipY, CCActionInstant)

 public:
  /// A new autoreleased flip to `flipY`.
  /// \param flipY whether the sprite shows mirrored top to bottom.
  static CCFlipY* actionWithFlipY(bool flipY);

  /// Instant init, then stores the flag.
  virtual bool initWithFlipY(bool flipY);

  /// A new action of the same class (count 1) with the same flag; no tag.
  CCFlipY* copy() const override;
  /// A new autoreleased CCFlipY to the opposite flag (not a toggle: the
  /// reverse of a flip to true always clears the flip).
  CCFiniteTimeAction* reverse() const override;

  void startWithTarget(platform::Object* target) override;

  bool flipY() const { return flipY_; }

 protected:
  ~CCFlipY() override = default;

  bool flipY_ = false;
};
