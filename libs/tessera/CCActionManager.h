#pragma once
// CCActionManager: owns and steps every running action (process-wide singleton).

#include "platform/InsertionOrderedMap.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <cstdint>

class CCAction;
struct ccArray;

/// Owns and steps every running action (process-wide singleton).
///
/// Each target with actions has one entry in a table that keeps the order in
/// which targets were added (a target whose entry was freed and is re-created
/// goes to the end). The entry retains the target once, however many actions
/// it has, so a node with running actions stays alive; the entry's list
/// retains each action. Every frame the scheduler calls update(dt), which steps
/// the actions of each unpaused target in the order they were added; an action
/// that reports isDone() after its step is stopped and removed in that frame.
///
/// Changes made from inside a step are safe: removing the running action keeps
/// it alive until its step returns (it is then neither asked isDone() nor
/// stopped), removing other actions of the same target neither skips nor
/// repeats any action, an entry that loses all its actions during its own turn
/// is freed only after the turn (and survives if actions were added meanwhile),
/// and actions added to the target being stepped run in the same frame.
///
/// Removal never calls an action's stop(); only finishing does.
///
/// Cost: update() allocates nothing; it walks the table and each entry's
/// array in place. Lookups by target are hash lookups. A target's list starts
/// with room for 4 actions, doubles when full and never shrinks while the
/// entry exists.
/// Main thread only; no locks.
class CCActionManager : public platform::Object {
  PLATFORM_CLASS(CCActionManager, platform::Object)

 public:
  /// The shared manager, created (and scheduled) on first use.
  static CCActionManager* sharedManager();
  /// Unschedules the shared manager's per-frame update, releases it and
  /// forgets it; the next sharedManager() makes a new one. Its destruction
  /// removes every action without stopping it. Does nothing when there is none.
  static void purgeSharedManager();

  /// Expects no shared manager to exist yet ("Attempted to allocate a second
  /// instance of a singleton.").
  CCActionManager();

  /// Schedules update() on the shared scheduler at priority 0, not paused.
  bool init();

  /// Appends `action` to `target`'s actions and starts it on `target`. A new
  /// entry takes `paused`; an existing entry keeps its own paused state.
  /// Expects a non-null action ("Argument action must be non-nil") and target
  /// ("Argument target must be non-nil"), and the action not already in the
  /// target's list ("runAction: Action already running"); nothing is changed
  /// when an expectation fails.
  /// \param action the action to run; retained while it runs.
  /// \param target the object it changes (usually a node); retained while it
  ///   has actions.
  /// \param paused whether the target's actions start paused (new entries only).
  void addAction(CCAction* action, platform::Object* target, bool paused);
  /// Removes `action` from the list of its original target. Ignores nullptr
  /// and actions that are not running.
  /// \param action a running action, or nullptr.
  void removeAction(CCAction* action);
  /// Removes the target's first action with `tag` (and that target as its
  /// original target). Expects tag != -1 ("Invalid tag") and a non-null target
  /// ("Target should be ! nil").
  /// \param tag the action's tag.
  /// \param target the object the action runs on.
  void removeActionByTag(std::int32_t tag, platform::Object* target);
  /// The target's first action with `tag`, or nullptr. Expects tag != -1
  /// ("Invalid tag").
  /// \param tag the action's tag.
  /// \param target the object the action runs on.
  CCAction* getActionByTag(std::int32_t tag, platform::Object* target) const;
  /// Number of the target's actions; 0 when it has none.
  /// \param target the object whose actions are counted.
  std::uint32_t numberOfRunningActionsInTarget(platform::Object* target) const;
  /// Removes every action of `target` (nullptr is ignored).
  /// \param target the object whose actions go.
  void removeAllActionsFromTarget(platform::Object* target);
  /// Removes every action of every target.
  void removeAllActions();

  /// Stops stepping the target's actions. A target without actions is ignored
  /// (no entry is made, so the call has no lasting effect).
  /// \param target the object whose actions pause.
  void pauseTarget(platform::Object* target);
  /// Steps the target's actions again. A target without actions is ignored.
  /// \param target the object whose actions resume.
  void resumeTarget(platform::Object* target);
  /// Same as pauseTarget().
  /// \param target the object whose actions pause.
  void pauseAllActionsForTarget(platform::Object* target);
  /// Same as resumeTarget().
  /// \param target the object whose actions resume.
  void resumeAllActionsForTarget(platform::Object* target);

  /// Steps every action of every unpaused target once with `dt`.
  void update(float dt) override;

 protected:
  /// dealloc: removes every action (without stopping them), then forgets the
  /// shared manager if it was this one.
  ~CCActionManager() override;

 private:
  /// The actions of one target.
  struct HashElement {
    ccArray* actionList = nullptr;         // retains each action; capacity 4 at first
    platform::Ref<platform::Object> target;  // retained
    std::uint32_t runIndex = 0;            // index being stepped; wraps below 0
    CCAction* runningAction = nullptr;     // no reference of its own
    bool runningActionSalvaged = false;    // runningAction was removed during its step
    bool paused = false;
  };
  using TargetTable = platform::InsertionOrderedMap<const platform::Object*, HashElement>;

  void removeActionAtIndex(std::uint32_t index, HashElement* element);
  void actionAllocWithHashElement(HashElement* element);
  void deleteHashElement(HashElement* element);
  HashElement* findElement(const platform::Object* target) const;

  TargetTable targets_;
  HashElement* currentTarget_ = nullptr;  // the entry update() is stepping
  bool currentTargetSalvaged_ = false;    // it lost all its actions during its turn
};
