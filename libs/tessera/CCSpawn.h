#pragma once
// CCSpawn: runs two finite-time actions at the same time.

#include "platform/Ref.h"
#include "tessera/CCActionInterval.h"

#include <initializer_list>

/// The duration is the longer of the two. The shorter action is padded at
/// its end with a CCDelayTime (the pair becomes a CCSequence), so both run on
/// the same fraction and the shorter one holds its end state while the other
/// goes on. Each update passes t to the first action, then to the second.
///
/// Longer groups are built by actions({a, b, c, ...}), which pairs from the
/// left: ((a, b), c), ...
/// Cost: two virtual calls per update; nothing is allocated after init.
class CCSpawn : public CCActionInterval {
  PLATFORM_CLASS(CCSpawn, CCActionInterval)

 public:
  /// A new autoreleased spawn of `one` and `two` (both retained).
  /// \param one an action to run.
  /// \param two the action to run at the same time.
  static CCSpawn* actionOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two);
  /// The actions of `list` grouped from the left, up to the first nullptr.
  /// A list holding a single action returns that action itself (not a
  /// spawn); an empty list or one starting with nullptr returns nullptr.
  /// \param list the actions to run together.
  static CCFiniteTimeAction* actions(std::initializer_list<CCFiniteTimeAction*> list);
  /// Spawns need their actions: use actionOne() or actions().
  static CCSpawn* actionWithDuration(float duration) = delete;

  /// Interval init with the longer duration; pads the shorter action with a
  /// delay, then retains both. Expects both actions ("Spawn: argument one must
  /// be non-nil" / "Spawn: argument two must be non-nil"); returns false when
  /// one is missing.
  virtual bool initOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two);
  using CCActionInterval::initWithDuration;

  /// A new spawn of the same class (count 1) of copies of both (padded)
  /// actions. The tag is not copied.
  CCSpawn* copy() const override;
  /// A new autoreleased spawn of the same class of both actions' reverses;
  /// a padded action reverses to the delay followed by its reverse. nullptr
  /// (after the failed expectation) when either cannot be reversed.
  CCSpawn* reverse() const override;

  /// Base start, then starts both actions on the target.
  void startWithTarget(platform::Object* target) override;
  /// Stops both actions, then the base stop.
  void stop() override;
  /// Updates the first action with t, then the second.
  void update(float t) override;

 protected:
  ~CCSpawn() override = default;

  platform::Ref<CCFiniteTimeAction> one_;  // retained
  platform::Ref<CCFiniteTimeAction> two_;  // retained
};
