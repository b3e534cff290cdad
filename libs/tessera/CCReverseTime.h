#pragma once
// CCReverseTime: plays a finite-time action backwards.

#include "platform/Ref.h"
#include "tessera/CCActionInterval.h"

/// Has the inner action's duration and updates it with 1 − t, so the inner
/// action begins at its end state and finishes at its start state.
/// Cost: one virtual call per update.
class CCReverseTime : public CCActionInterval {
  PLATFORM_CLASS(CCReverseTime, CCActionInterval)

 public:
  /// A new autoreleased reverse-time of `action` (retained).
  /// \param action the action to run backwards.
  static CCReverseTime* actionWithAction(CCFiniteTimeAction* action);
  /// Reverse-time needs its action: use actionWithAction().
  static CCReverseTime* actionWithDuration(float duration) = delete;

  /// Interval init with the inner duration, then retains `action`. A nullptr
  /// action makes a reverse-time that does nothing.
  virtual bool initWithAction(CCFiniteTimeAction* action);
  using CCActionInterval::initWithDuration;

  /// A new reverse-time of the same class (count 1) of a copy of the inner
  /// action. The tag is not copied.
  CCReverseTime* copy() const override;
  /// An autoreleased copy of the inner action (played forwards again).
  CCFiniteTimeAction* reverse() const override;

  /// Base start, then starts the inner action on the target.
  void startWithTarget(platform::Object* target) override;
  /// Stops the inner action, then the base stop.
  void stop() override;
  /// Updates the inner action with 1 − t.
  void update(float t) override;

  /// The reversed action (retained), or nullptr.
  CCFiniteTimeAction* innerAction() const { return other_.get(); }

 protected:
  ~CCReverseTime() override = default;

  platform::Ref<CCFiniteTimeAction> other_;  // retained
};
