#pragma once
// CCTimer: one interval callback of one target, stepped by the scheduler.

#include "platform/Object.h"
#include "platform/Selector.h"

#include <string>

/// Calls a one-float method of a target whenever its interval has elapsed.
///
/// The first step only starts the clock: its dt is discarded. Each later step
/// adds dt; once the sum reaches the interval the method is called with that
/// sum and the sum restarts from 0 (the excess over the interval is dropped).
/// So an interval of 0 fires on every step, the first time with 0.
///
/// The target is not retained: the scheduler keeps it alive while the timer is
/// scheduled. The selector is bound once and called directly.
/// Cost: one float add, one compare and, when due, one direct call per step.
class CCTimer : public platform::Object {
  PLATFORM_CLASS(CCTimer, platform::Object)

 public:
  /// An autoreleased timer with interval 0 (every step).
  static CCTimer* timerWithTarget(platform::Object* target, const platform::Selector& selector);
  /// An autoreleased timer firing every `interval` seconds.
  static CCTimer* timerWithTarget(platform::Object* target, const platform::Selector& selector,
                                  float interval);

  /// Same as initWithTarget(target, selector, 0).
  bool initWithTarget(platform::Object* target, const platform::Selector& selector);
  /// Stores the target (not retained) and the selector (a void(float) method of
  /// the target's class) and resets the clock. Always returns true.
  bool initWithTarget(platform::Object* target, const platform::Selector& selector, float interval);
  /// A timer needs a target and a selector: fails the assertion
  /// "CCTimer: Init not supported." and returns false.
  bool init();

  /// Steps the timer by dt seconds and calls the target when due (see above).
  void update(float dt) override;

  /// Seconds between calls; 0 means every step. Default 0. Changing it keeps
  /// the time accumulated so far.
  float interval() const { return interval_; }
  void setInterval(float interval) { interval_ = interval; }

  /// The object whose method is called (not retained), or nullptr.
  platform::Object* target() const { return target_; }
  /// The method called, for example "tick:".
  const platform::Selector& selector() const { return selector_; }

  /// "<CCTimer = ADDRESS | target:TargetClass selector:(tick:)>"; a missing
  /// target prints as "(null)".
  std::string description() const override;

 private:
  // Marks a timer that has never been stepped; compared exactly.
  static constexpr float kNeverStepped = -1.0f;

  platform::Object* target_ = nullptr;  // weak: the scheduler retains it
  platform::Selector selector_;
  float elapsed_ = kNeverStepped;  // seconds since the last call
  float interval_ = 0.0f;
};
