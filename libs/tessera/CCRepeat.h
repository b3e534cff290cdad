#pragma once
// CCRepeat: runs a finite-time action a given number of times.

#include "platform/Ref.h"
#include "tessera/CCActionInterval.h"

#include <cstdint>

/// The duration is the inner duration × times. The fraction s = times × t
/// counts repetitions. Whenever s reaches the end of the current repetition
/// (exactly, or past it), the inner action is brought to its end state,
/// stopped and started again on the same target (so it re-reads its start
/// values), then updated with the part of s beyond the completed repetitions.
/// Within a repetition the inner action gets the fractional part of s; the
/// update with t = 1 applies the end state and counts the last repetition.
/// (A fraction above 1, as easing can pass, that completes the last
/// repetition leaves the restarted inner action at its start state.)
///
/// isDone() is true once all repetitions are counted; the elapsed time is not
/// consulted. A repeat of 0 times has the minimum duration and is done after
/// its first step.
/// Cost: one virtual call per update, four at a repetition boundary.
class CCRepeat : public CCActionInterval {
  PLATFORM_CLASS(CCRepeat, CCActionInterval)

 public:
  /// A new autoreleased repeat of `action` (retained), `times` times.
  /// \param action the action to repeat.
  /// \param times how many times it runs.
  static CCRepeat* actionWithAction(CCFiniteTimeAction* action, std::uint32_t times);
  /// Repeats need their action: use actionWithAction().
  static CCRepeat* actionWithDuration(float duration) = delete;

  /// Interval init with the inner duration × times, then retains `action`.
  /// A nullptr action makes a repeat that does nothing.
  /// \param action the action to repeat.
  /// \param times how many times it runs.
  virtual bool initWithAction(CCFiniteTimeAction* action, std::uint32_t times);
  using CCActionInterval::initWithDuration;

  /// A new repeat of the same class (count 1) of a copy of the inner action,
  /// the same number of times. The tag is not copied.
  CCRepeat* copy() const override;
  /// A new autoreleased repeat of the same class of the inner action's
  /// reverse, the same number of times; nullptr when the inner action has no
  /// reverse.
  CCRepeat* reverse() const override;

  /// Resets the count, base start, then starts the inner action on the target.
  void startWithTarget(platform::Object* target) override;
  /// Stops the inner action, then the base stop.
  void stop() override;
  /// See the class comment.
  void update(float t) override;
  /// All repetitions have been counted.
  bool isDone() const override;

  /// The repeated action (retained), or nullptr.
  CCFiniteTimeAction* innerAction() const { return other_.get(); }
  /// Number of repetitions.
  std::uint32_t times() const { return times_; }

 protected:
  ~CCRepeat() override = default;

  std::uint32_t times_ = 0;
  std::uint32_t total_ = 0;                 // repetitions completed
  platform::Ref<CCFiniteTimeAction> other_;  // retained
};
