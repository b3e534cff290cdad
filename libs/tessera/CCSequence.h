#pragma once
// CCSequence: runs two finite-time actions one after the other.

#include "platform/Ref.h"
#include "tessera/CCActionInterval.h"

#include <cstdint>
#include <initializer_list>

/// The duration is the sum of both durations. The second action begins at
/// `split`, the fraction of the duration the first one takes. Each update
/// works out which action the fraction falls in and the fraction within it;
/// when it moves from one action to the other, the one left behind is brought
/// to its end state (fraction 1) and stopped before the other is started, so
/// a frame that jumps over the split point still completes the first action.
/// A first update that already lies in the second action starts, completes and
/// stops the first one before starting the second.
///
/// Zero-duration members: an instant first action (split 0) runs in the first
/// frame, immediately followed by the start of the second; an instant second
/// action runs in the frame in which the sequence reaches its end.
///
/// Longer chains are built by actions({a, b, c, ...}), which pairs from the
/// left: ((a, b), c), ...
/// Cost: one or two virtual calls per update; nothing is allocated.
class CCSequence : public CCActionInterval {
  PLATFORM_CLASS(CCSequence, CCActionInterval)

 public:
  /// A new autoreleased sequence of `one` then `two` (both retained).
  /// \param one the action that runs first.
  /// \param two the action that runs when `one` is done.
  static CCSequence* actionOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two);
  /// The actions of `list` chained from the left, up to the first nullptr.
  /// A list holding a single action returns that action itself (not a
  /// sequence); an empty list or one starting with nullptr returns nullptr.
  /// \param list the actions in the order they run.
  static CCFiniteTimeAction* actions(std::initializer_list<CCFiniteTimeAction*> list);
  /// Sequences need their actions: use actionOne() or actions().
  static CCSequence* actionWithDuration(float duration) = delete;

  /// Interval init with the sum of both durations, then retains both. Expects
  /// both actions ("Sequence: argument one must be non-nil" / "Sequence:
  /// argument two must be non-nil"); returns false when one is missing.
  /// \param one the action that runs first.
  /// \param two the action that runs when `one` is done.
  virtual bool initOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two);
  using CCActionInterval::initWithDuration;

  /// A new sequence of the same class (count 1) of copies of both actions.
  /// The tag is not copied.
  CCSequence* copy() const override;
  /// A new autoreleased sequence of the same class of (second's reverse,
  /// first's reverse). nullptr (after the failed expectation) when either
  /// action cannot be reversed.
  CCSequence* reverse() const override;

  /// Base start, then computes the split; neither action is started yet.
  void startWithTarget(platform::Object* target) override;
  /// Stops both actions, then the base stop.
  void stop() override;
  /// See the class comment.
  void update(float t) override;

 protected:
  ~CCSequence() override = default;

  platform::Ref<CCFiniteTimeAction> actions_[2];  // retained
  float split_ = 0.0f;                            // fraction at which the second begins
  std::int32_t last_ = -1;                        // index updated last; -1 before any
};
