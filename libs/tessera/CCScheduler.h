#pragma once
// CCScheduler: the engine's clock. Once per frame tick() calls the per-frame
// updates in priority order, then the interval timers target by target.

#include "platform/InsertionOrderedMap.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Selector.h"

#include <cstdint>
#include <memory>

class CCTimer;
struct ccArray;

/// The process-wide scheduler (a singleton).
///
/// Two kinds of callback:
///  - per-frame updates: the target's virtual update(float), every frame, in
///    three bands (priority < 0, == 0, > 0). Within a band lower priorities run
///    first and equal priorities run in the order they were scheduled.
///  - interval selectors: any void(float) method of a target, called through a
///    CCTimer when its interval has elapsed. Targets take turns in the order
///    their first selector was scheduled (a target removed and added again goes
///    to the end); within a target, timers run in the order they were added.
///
/// Ownership: the scheduler retains each target once per kind of entry it has
/// (a target with an update and timers is retained twice) and releases it when
/// that entry goes away. Timers belong to their target's entry.
///
/// Callbacks may schedule and unschedule anything, including themselves:
///  - a timer removed during its own call lives until the call returns, and the
///    target's remaining timers still run in that frame;
///  - a target whose last timer goes during its own turn keeps its entry (and
///    so stays alive) until the turn ends;
///  - a per-frame entry removed while the updates are being walked is skipped
///    from then on and freed, with its reference to the target, only when the
///    walk ends. Anything appended behind the running entry in its band runs in
///    the same frame unless the running entry was the last one.
///
/// Cost: tick() allocates nothing; each update is one virtual call and each
/// timer step one direct call. Finding a target is a hash lookup; priority-0
/// updates are appended in constant time, other priorities pay for an ordered
/// insertion. Scheduling allocates the entries.
///
/// Main thread only.
class CCScheduler : public platform::Object {
  PLATFORM_CLASS(CCScheduler, platform::Object)

 public:
  /// The shared scheduler, created on first use.
  static CCScheduler* sharedScheduler();
  /// Releases the shared scheduler and forgets it; the next sharedScheduler()
  /// makes a new one. Does nothing when there is none.
  static void purgeSharedScheduler();

  /// Expects no shared scheduler to exist ("Attempted to allocate a second
  /// instance of a singleton."). Time scale 1, nothing scheduled. Use
  /// sharedScheduler() rather than constructing one.
  CCScheduler();

  /// Runs one frame: scales dt by timeScale() (dt is passed on bit-identical
  /// when the scale is 1), calls the unpaused per-frame updates of the
  /// negative, zero and positive bands, then steps the timers of every unpaused
  /// target. A target's paused flag is read before its first timer runs, so
  /// pausing it from one of its timers lets its later timers run this frame.
  /// \param dt seconds since the previous frame.
  void tick(float dt);

  /// Schedules `selector` (a void(float) method of the target's class) every
  /// `interval` seconds (0: every frame). Expects a non-null selector ("Argument
  /// selector must be non-nil") and target ("Argument target must be non-nil");
  /// on failure nothing is scheduled. When the target already has selectors,
  /// expects `paused` to equal its paused state ("CCScheduler. Trying to
  /// schedule a selector with a pause value different than the target"); the
  /// target's state is not changed either way. Scheduling a selector the target
  /// already has only changes that timer's interval: it keeps its accumulated
  /// time and its place.
  /// \param selector the method to call, made with schedule_selector().
  /// \param target the object to call it on; retained while it has timers.
  /// \param interval seconds between calls; 0 calls it every frame.
  /// \param paused whether the target's callbacks start paused.
  void scheduleSelector(const platform::Selector& selector, platform::Object* target, float interval,
                        bool paused);
  /// Calls target->update(dt) every frame, in the band of `priority`. Expects a
  /// non-null target ("Argument target must be non-nil") that has no per-frame
  /// update yet ("CCScheduler: <Class> already has a per-frame update; ...");
  /// when either fails nothing changes, so a target is never updated twice per
  /// frame.
  /// \param target the object whose update(float) is called; retained while
  ///   scheduled.
  /// \param priority the band and the place in it: lower runs earlier.
  /// \param paused whether the target's callbacks start paused.
  void scheduleUpdateForTarget(platform::Object* target, int32_t priority, bool paused);

  /// Removes the target's timer for `selector`. Both null: ignored quietly.
  /// Otherwise expects a target ("Target MUST not be nil") and a selector
  /// ("Selector MUST not be NULL"). Anything not scheduled is ignored. When it
  /// was the target's last timer the target is released (at the end of its
  /// turn when called from one of its own timers).
  /// \param selector the method given to scheduleSelector().
  /// \param target the object it was scheduled on.
  void unscheduleSelector(const platform::Selector& selector, platform::Object* target);
  /// Removes the target's per-frame update and releases the target (when the
  /// update walk ends, if called from an update). Null or unknown: ignored.
  /// \param target the object whose per-frame update stops.
  void unscheduleUpdateForTarget(platform::Object* target);
  /// Removes all timers and the per-frame update of the target. Null: ignored.
  /// \param target the object whose callbacks all stop.
  void unscheduleAllSelectorsForTarget(platform::Object* target);
  /// Removes every timer and every per-frame update of every target.
  void unscheduleAllSelectors();

  /// Stops both kinds of callback of the target until resumeTarget(). Entries
  /// keep their place and timers their accumulated time; nothing is caught up
  /// afterwards. Expects a target ("target must be non nil"); a target with
  /// nothing scheduled is ignored.
  /// \param target the object whose callbacks pause.
  void pauseTarget(platform::Object* target);
  /// Undoes pauseTarget(). Expects a target ("target must be non nil").
  /// \param target the object whose callbacks resume.
  void resumeTarget(platform::Object* target);

  /// Factor applied to every dt passed to tick(). Default 1.
  float timeScale() const { return timeScale_; }
  void setTimeScale(float timeScale) { timeScale_ = timeScale; }

  /// Timers cannot be scheduled directly: fails the assertion "Not implemented.
  /// Use scheduleSelector:forTarget:" and does nothing.
  void scheduleTimer(CCTimer* timer);
  /// Fails "Not implemented. Use unscheduleSelector:forTarget:"; does nothing.
  void unscheduleTimer(CCTimer* timer);
  /// Fails "Not implemented. Use unscheduleAllSelectors"; does nothing.
  void unscheduleAllTimers();

 protected:
  /// Unschedules everything (releasing every target), then forgets the shared
  /// scheduler if it is this one.
  ~CCScheduler() override;

 private:
  /// One per-frame update: a node of one of the three band lists.
  struct ListEntry {
    ListEntry* previous = nullptr;
    ListEntry* next = nullptr;
    /// The target's reference, held for its HashUpdateEntry: it lives as long
    /// as the node, so a node removed during the walk keeps its target alive.
    platform::Ref<platform::Object> target;
    int32_t priority = 0;
    bool paused = false;
    /// Removed during the update walk; skipped, and freed when the walk ends.
    bool markedForDeletion = false;
  };
  /// A doubly linked list with constant-time append.
  struct UpdateList {
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
  };
  /// Finds a target's per-frame entry and its list.
  struct HashUpdateEntry {
    UpdateList* list = nullptr;
    ListEntry* entry = nullptr;
  };
  /// Frees a timer array, releasing its timers.
  struct TimerArrayDeleter {
    void operator()(ccArray* timers) const;
  };
  /// The interval timers of one target.
  struct HashSelectorEntry {
    std::unique_ptr<ccArray, TimerArrayDeleter> timers;  // retains each CCTimer
    platform::Ref<platform::Object> target;
    /// Index of the timer being stepped; removals during tick() adjust it, and
    /// it wraps below 0 so that the loop's increment brings it back to 0.
    uint32_t runIndex = 0;
    CCTimer* runningTimer = nullptr;
    /// The running timer was removed during its own call and is kept alive by
    /// one extra retain until the call returns.
    bool runningTimerSalvaged = false;
    bool paused = false;
  };

  using SelectorTable = platform::InsertionOrderedMap<const platform::Object*, HashSelectorEntry>;
  using UpdateTable = platform::InsertionOrderedMap<const platform::Object*, HashUpdateEntry>;

  // Links a new entry at the tail of `list` (the zero band).
  void appendIn(UpdateList& list, platform::Object* target, bool paused);
  // Links a new entry before the first one of `list` with a higher priority.
  void priorityIn(UpdateList& list, platform::Object* target, int32_t priority, bool paused);
  static void linkBefore(UpdateList& list, ListEntry* entry, ListEntry* successor);
  static void unlink(UpdateList& list, ListEntry* entry);
  // Frees the entries removed during the update walk, then drops their targets.
  void freeMarkedEntries();
  // Removes the entry and its timers from the table and hands back its target
  // reference, so the caller chooses when the target may be destroyed.
  [[nodiscard]] platform::Ref<platform::Object> removeHashElement(HashSelectorEntry* entry);

  float timeScale_ = 1.0f;
  UpdateList updatesNegative_;
  UpdateList updatesZero_;
  UpdateList updatesPositive_;
  UpdateTable hashForUpdates_;
  SelectorTable hashForSelectors_;
  HashSelectorEntry* currentTarget_ = nullptr;  // the entry whose timers tick() runs
  bool currentTargetSalvaged_ = false;          // it lost its last timer during its turn
  int updateWalkDepth_ = 0;                     // > 0 while tick() walks the update lists
  uint32_t markedEntryCount_ = 0;               // list entries awaiting freeMarkedEntries()
};
