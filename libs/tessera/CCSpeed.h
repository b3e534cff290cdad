#pragma once
// CCSpeed: runs an interval action faster or slower.

#include "platform/Ref.h"
#include "tessera/CCAction.h"
#include "tessera/CCActionInterval.h"

/// Forwards every step to the inner action with dt × speed, and finishes when
/// the inner action does. The speed may change while the action runs; 0 holds
/// the inner action where it is (at fraction 0 if it has not moved yet).
///
/// With no inner action (initWithAction(nullptr, ...)) it does nothing and
/// never finishes.
/// Cost: one multiply and one virtual call per step.
class CCSpeed : public CCAction {
  PLATFORM_CLASS(CCSpeed, CCAction)

 public:
  /// A speed action needs its inner action: use actionWithAction().
  static CCSpeed* action() = delete;
  /// A new autoreleased speed action around `action` (retained) with `speed`.
  /// \param action the action to run.
  /// \param speed the factor its time is multiplied by (2: twice as fast).
  static CCSpeed* actionWithAction(CCActionInterval* action, float speed);

  /// Base init, then retains `action` and stores `speed`.
  /// \param action the action to run.
  /// \param speed the factor its time is multiplied by.
  virtual bool initWithAction(CCActionInterval* action, float speed);

  /// A new action of the same class (count 1) around a copy of the inner
  /// action, with the same speed. The tag is not copied.
  CCSpeed* copy() const override;
  /// A new autoreleased CCSpeed around the inner action's reverse, same speed.
  CCSpeed* reverse() const;

  /// Base start, then starts the inner action on the same target.
  void startWithTarget(platform::Object* target) override;
  /// Stops the inner action, then the base stop.
  void stop() override;
  /// The inner action's step with dt × speed.
  void step(float dt) override;
  /// The inner action's isDone() (false without one).
  bool isDone() const override;

  /// Factor applied to every dt. Default 0 before init.
  float speed() const { return speed_; }
  void setSpeed(float speed) { speed_ = speed; }
  /// The driven action (retained), or nullptr.
  CCActionInterval* innerAction() const { return other_.get(); }

 protected:
  ~CCSpeed() override = default;

  platform::Ref<CCActionInterval> other_;  // retained
  float speed_ = 0.0f;
};
