#pragma once
// CCAnimate: plays a CCAnimation on a sprite, one frame after another.

#include "platform/Ref.h"
#include "tessera/CCActionInterval.h"
#include "tessera/CCAnimation.h"
#include "tessera/CCSpriteFrame.h"

/// Plays a CCAnimation on a sprite, one frame after another.
///
/// Over the action's duration the frames share the time equally: at fraction
/// t the sprite shows frame floor(n × t) of the n frames the animation has at
/// that moment (the last one from t = (n - 1) / n on). A frame already shown
/// is not set again. With restoreOriginalFrame the sprite gets back, when the
/// action stops, the frame it showed when the action started.
///
/// An animation without frames shows nothing: update() then changes nothing.
///
/// The target must be a CCSprite; with any other target the action changes
/// nothing.
class CCAnimate : public CCActionInterval {
  PLATFORM_CLASS(CCAnimate, CCActionInterval)

 public:
  // [SECTION] Creation. Factories return autoreleased actions, or nullptr.

  /// Restores the original frame when stopped.
  /// \param animation the frames to show.
  static CCAnimate* actionWithAnimation(CCAnimation* animation);
  /// Lasts the animation's frame count × its delay.
  /// \param animation the frames to show.
  /// \param restoreOriginalFrame whether the sprite gets its starting frame back
  ///   when the action stops.
  static CCAnimate* actionWithAnimation(CCAnimation* animation, bool restoreOriginalFrame);
  /// \param duration seconds the whole animation takes, shared equally by the
  ///   frames.
  /// \param animation the frames to show.
  /// \param restoreOriginalFrame whether the sprite gets its starting frame back
  ///   when the action stops.
  static CCAnimate* actionWithDuration(float duration, CCAnimation* animation, bool restoreOriginalFrame);

  CCAnimate() = default;

  /// initWithAnimation(animation, true).
  virtual bool initWithAnimation(CCAnimation* animation);
  /// Duration = frame count (as float) × the animation's delay. Expects an
  /// animation ("Animate: argument Animation must be non-nil"); false
  /// without one.
  virtual bool initWithAnimation(CCAnimation* animation, bool restoreOriginalFrame);
  /// The given duration. Expects an animation ("Animate: argument Animation
  /// must be non-nil"); false without one.
  virtual bool initWithDuration(float duration, CCAnimation* animation, bool restoreOriginalFrame);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same duration, the
  /// same animation object (shared, not copied) and the same flag.
  CCAnimate* copy() const override;
  /// A new autoreleased action of the same class, duration and flag on a new
  /// animation of the same delay holding copies of the frames in reverse
  /// order.
  CCFiniteTimeAction* reverse() const override;

  /// Base start; remembers the sprite's displayed frame when restoring.
  void startWithTarget(platform::Object* target) override;
  /// Shows the frame for fraction `t` (see the class comment).
  void update(float t) override;
  /// Shows the remembered frame again when restoring, then the base stop.
  void stop() override;

  // [SECTION] Properties

  /// The animation played (retained).
  CCAnimation* animation() const { return animation_.get(); }
  void setAnimation(CCAnimation* animation);
  bool restoreOriginalFrame() const { return restoreOriginalFrame_; }
  /// The frame the sprite showed when the action last started (retained),
  /// or nullptr.
  CCSpriteFrame* origFrame() const { return origFrame_.get(); }

 protected:
  /// dealloc: releases the animation and the remembered frame.
  ~CCAnimate() override;

 private:
  platform::Ref<CCAnimation> animation_;
  platform::Ref<CCSpriteFrame> origFrame_;
  bool restoreOriginalFrame_ = false;
};
