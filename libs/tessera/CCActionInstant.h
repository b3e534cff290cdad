#pragma once
// CCActionInstant: the base of actions that do their whole work at once.

#include "tessera/CCFiniteTimeAction.h"

/// The base of actions that do their whole work at once.
///
/// An instant action acts in startWithTarget() and is finished straight away:
/// its duration is 0, isDone() is always true, and step() only applies the
/// (empty) update with 1. Run on its own, its effect happens inside runAction(),
/// in the caller's frame, even when the node's actions are paused; the action
/// manager drops it at the node's next unpaused frame. Inside a sequence or a
/// spawn it acts when its turn comes, so it marks a point in time between the
/// interval actions around it.
///
/// Writing a subclass: declare it with PLATFORM_CLASS, give it a public default
/// constructor and a static factory, and override startWithTarget() (calling
/// the base first). Classes with parameters override copy() and reverse().
///
/// Cost: nothing is allocated after creation.
class CCActionInstant : public CCFiniteTimeAction {
  PLATFORM_CLASS(CCActionInstant, CCFiniteTimeAction)

 public:
  /// A new autoreleased action made with init().
  static CCActionInstant* action();

  /// Base init, then duration 0 (an instant action is not given the
  /// smallest-interval duration of interval actions).
  bool init() override;

  /// A new action of the same class (count 1) made with init(). Unlike the
  /// base action copy, the tag is not copied.
  CCActionInstant* copy() const override;
  /// An autoreleased copy of this action: most instant actions undo nothing.
  CCFiniteTimeAction* reverse() const override;

  /// Always true.
  bool isDone() const override;
  /// update(1), whatever `dt` is.
  void step(float dt) override;
  /// Does nothing: the work was done at start.
  void update(float t) override;

 protected:
  ~CCActionInstant() override = default;
};
