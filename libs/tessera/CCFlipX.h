#pragma once
// CCFlipX: an instant action that sets or clears a sprite's X flip.

#include "tessera/CCActionInstant.h"

/// On start: the target sprite's setFlipX(flag). Expects a CCSprite
/// target; any other target is left alone.
class CCFlipX : public CCActionInstant {
  PLATFORM_CLASS(CCFlipX, CCActionInstant)

 public:
  /// A new autoreleased flip to `flipX`.
  /// \param flipX whether the sprite shows mirrored left to right.
  static CCFlipX* actionWithFlipX(bool flipX);

  /// Instant init, then stores the flag.
  virtual bool initWithFlipX(bool flipX);

  /// A new action of the same class (count 1) with the same flag; no tag.
  CCFlipX* copy() const override;
  /// A new autoreleased CCFlipX to the opposite flag (not a toggle: the
  /// reverse of a flip to true always clears the flip).
  CCFiniteTimeAction* reverse() const override;

  void startWithTarget(platform::Object* target) override;

  bool flipX() const { return flipX_; }

 protected:
  ~CCFlipX() override = default;

  bool flipX_ = false;
};
