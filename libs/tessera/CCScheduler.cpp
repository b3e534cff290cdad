// [SECTION] Singleton
// [SECTION] Frame
// [SECTION] Scheduling
// [SECTION] Unscheduling
// [SECTION] Pausing
// [SECTION] Per-frame lists

#include "tessera/CCScheduler.h"

#include "platform/Assert.h"
#include "tessera/CCTimer.h"
#include "tessera/Support/ccCArray.h"

#include <iterator>
#include <utility>
#include <vector>

namespace {

CCScheduler* g_sharedScheduler = nullptr;

// Room for the timers of a typical target before the array has to grow.
constexpr uint32_t kInitialTimerCapacity = 10;

CCTimer* timerAt(const ccArray* timers, uint32_t index) {
  return static_cast<CCTimer*>(timers->arr[index]);
}

}  // namespace

// [SECTION] Singleton

CCScheduler* CCScheduler::sharedScheduler() {
  if (g_sharedScheduler == nullptr) g_sharedScheduler = new CCScheduler();
  return g_sharedScheduler;
}

void CCScheduler::purgeSharedScheduler() {
  // Forget first: targets torn down by the release then never reach a
  // scheduler that is being destroyed.
  if (CCScheduler* scheduler = std::exchange(g_sharedScheduler, nullptr)) scheduler->release();
}

CCScheduler::CCScheduler() {
  CCAssert(g_sharedScheduler == nullptr, "Attempted to allocate a second instance of a singleton.");
}

CCScheduler::~CCScheduler() {
  unscheduleAllSelectors();
  // A stray second instance must not make the shared one unreachable.
  if (g_sharedScheduler == this) g_sharedScheduler = nullptr;
}

void CCScheduler::TimerArrayDeleter::operator()(ccArray* timers) const { ccArrayFree(timers); }

// [SECTION] Frame

void CCScheduler::tick(float dt) {
  if (timeScale_ != 1.0f) dt *= timeScale_;

  // Per-frame updates. Entries removed meanwhile stay linked (marked) until the
  // walk ends, so the successor taken before each call is always valid.
  ++updateWalkDepth_;
  for (UpdateList* list : {&updatesNegative_, &updatesZero_, &updatesPositive_}) {
    for (ListEntry* entry = list->head; entry != nullptr;) {
      ListEntry* next = entry->next;
      if (!entry->paused && !entry->markedForDeletion) entry->target->update(dt);
      entry = next;
    }
  }
  --updateWalkDepth_;
  if (updateWalkDepth_ == 0 && markedEntryCount_ != 0) freeMarkedEntries();

  // Interval timers, target by target. The current entry is never freed during
  // its own turn (see currentTargetSalvaged_), and the successor is read only
  // after the turn, so entries removed by the timers are skipped.
  auto position = hashForSelectors_.begin();
  currentTarget_ = position != hashForSelectors_.end() ? &position->value : nullptr;
  currentTargetSalvaged_ = false;
  while (position != hashForSelectors_.end()) {
    HashSelectorEntry& entry = position->value;
    if (!entry.paused) {
      // Removals during a call adjust runIndex, so it is read back each time.
      for (entry.runIndex = 0; entry.runIndex < entry.timers->num; ++entry.runIndex) {
        CCTimer* timer = timerAt(entry.timers.get(), entry.runIndex);
        entry.runningTimer = timer;
        entry.runningTimerSalvaged = false;
        timer->CCTimer::update(dt);
        if (entry.runningTimerSalvaged) timer->release();  // the retain taken on removal
        entry.runningTimer = nullptr;
      }
    }
    auto next = std::next(position);
    const bool freeEntry = currentTargetSalvaged_ && entry.timers->num == 0;
    // The next entry becomes current before this one's target is released, so
    // a teardown that unschedules the next target cannot free it under us.
    currentTarget_ = next != hashForSelectors_.end() ? &next->value : nullptr;
    currentTargetSalvaged_ = false;
    if (freeEntry) {
      platform::Ref<platform::Object> target = removeHashElement(&entry);
    }
    position = next;
  }
  currentTarget_ = nullptr;
}

// [SECTION] Scheduling

void CCScheduler::scheduleSelector(const platform::Selector& selector, platform::Object* target,
                                   float interval, bool paused) {
  CCAssert(selector, "Argument selector must be non-nil");
  CCAssert(target != nullptr, "Argument target must be non-nil");
  if (!selector || target == nullptr) return;  // a timer without either would crash in tick()

  HashSelectorEntry* entry = hashForSelectors_.findValue(target);
  if (entry == nullptr) {
    HashSelectorEntry added;
    added.timers.reset(ccArrayNew(kInitialTimerCapacity));
    added.target = target;
    added.paused = paused;
    entry = &hashForSelectors_.insert(target, std::move(added))->value;
  } else {
    CCAssert(entry->paused == paused,
             "CCScheduler. Trying to schedule a selector with a pause value different than the target");
    for (uint32_t i = 0; i < entry->timers->num; ++i) {
      CCTimer* timer = timerAt(entry->timers.get(), i);
      if (timer->selector() == selector) {
        timer->setInterval(interval);
        return;
      }
    }
    ccArrayEnsureExtraCapacity(entry->timers.get(), 1);
  }

  auto* timer = new CCTimer();
  timer->initWithTarget(target, selector, interval);
  ccArrayAppendObject(entry->timers.get(), timer);  // the array now owns it
  timer->release();
}

void CCScheduler::scheduleUpdateForTarget(platform::Object* target, int32_t priority, bool paused) {
  CCAssert(target != nullptr, "Argument target must be non-nil");
  if (target == nullptr) return;
  const bool alreadyScheduled = hashForUpdates_.contains(target);
  CCAssert(!alreadyScheduled,
           "CCScheduler: %s already has a per-frame update; unschedule it before scheduling it again",
           target->className());
  if (alreadyScheduled) return;

  if (priority == 0) {
    appendIn(updatesZero_, target, paused);
  } else {
    priorityIn(priority < 0 ? updatesNegative_ : updatesPositive_, target, priority, paused);
  }
}

void CCScheduler::scheduleTimer(CCTimer* timer) {
  CCAssert(false, "Not implemented. Use scheduleSelector:forTarget:");
}

void CCScheduler::unscheduleTimer(CCTimer* timer) {
  CCAssert(false, "Not implemented. Use unscheduleSelector:forTarget:");
}

void CCScheduler::unscheduleAllTimers() {
  CCAssert(false, "Not implemented. Use unscheduleAllSelectors");
}

// [SECTION] Unscheduling

void CCScheduler::unscheduleSelector(const platform::Selector& selector, platform::Object* target) {
  if (target == nullptr && !selector) return;
  CCAssert(target != nullptr, "Target MUST not be nil");
  CCAssert(selector, "Selector MUST not be NULL");

  HashSelectorEntry* entry = hashForSelectors_.findValue(target);
  if (entry == nullptr) return;
  ccArray* timers = entry->timers.get();
  for (uint32_t i = 0; i < timers->num; ++i) {
    CCTimer* timer = timerAt(timers, i);
    if (!(timer->selector() == selector)) continue;

    // A timer removed during its own call stays alive until the call returns.
    if (timer == entry->runningTimer && !entry->runningTimerSalvaged) {
      timer->retain();
      entry->runningTimerSalvaged = true;
    }
    ccArrayRemoveObjectAtIndex(timers, i);
    // Let tick() go on with the timer that followed; below 0 this wraps and the
    // loop's increment brings it back to 0.
    if (entry->runIndex >= i) --entry->runIndex;

    if (timers->num == 0) {
      if (entry == currentTarget_) {
        currentTargetSalvaged_ = true;
      } else {
        platform::Ref<platform::Object> released = removeHashElement(entry);
      }
    }
    return;
  }
}

void CCScheduler::unscheduleUpdateForTarget(platform::Object* target) {
  if (target == nullptr) return;
  auto found = hashForUpdates_.find(target);
  if (found == hashForUpdates_.end()) return;
  const HashUpdateEntry record = found->value;
  hashForUpdates_.erase(found);

  if (updateWalkDepth_ > 0) {
    record.entry->markedForDeletion = true;
    ++markedEntryCount_;
    return;
  }
  unlink(*record.list, record.entry);
  platform::Ref<platform::Object> released = std::move(record.entry->target);
  delete record.entry;
}  // the target is released last, once the lists are consistent

void CCScheduler::unscheduleAllSelectorsForTarget(platform::Object* target) {
  if (target == nullptr) return;
  platform::Ref<platform::Object> released;
  if (HashSelectorEntry* entry = hashForSelectors_.findValue(target)) {
    if (entry->runningTimer != nullptr && !entry->runningTimerSalvaged) {
      entry->runningTimer->retain();
      entry->runningTimerSalvaged = true;
    }
    ccArrayRemoveAllObjects(entry->timers.get());
    if (entry == currentTarget_) {
      currentTargetSalvaged_ = true;
    } else {
      released = removeHashElement(entry);
    }
  }
  unscheduleUpdateForTarget(target);
}

void CCScheduler::unscheduleAllSelectors() {
  // Hold every target until both tables are emptied: a target torn down midway
  // could otherwise unschedule the entry this loop would visit next.
  std::vector<platform::Ref<platform::Object>> targets;
  targets.reserve(hashForSelectors_.size() + hashForUpdates_.size());
  for (auto& item : hashForSelectors_) targets.emplace_back(item.value.target);
  const std::size_t selectorTargetCount = targets.size();
  for (UpdateList* list : {&updatesZero_, &updatesNegative_, &updatesPositive_}) {
    for (ListEntry* entry = list->head; entry != nullptr; entry = entry->next) {
      if (!entry->markedForDeletion) targets.emplace_back(entry->target);
    }
  }
  for (std::size_t i = 0; i < targets.size(); ++i) {
    if (i < selectorTargetCount) {
      unscheduleAllSelectorsForTarget(targets[i]);
    } else {
      unscheduleUpdateForTarget(targets[i]);
    }
  }
}

platform::Ref<platform::Object> CCScheduler::removeHashElement(HashSelectorEntry* entry) {
  platform::Ref<platform::Object> target = std::move(entry->target);
  hashForSelectors_.erase(target.get());  // frees the timer array and its timers
  return target;
}

// [SECTION] Pausing

void CCScheduler::pauseTarget(platform::Object* target) {
  CCAssert(target != nullptr, "target must be non nil");
  if (HashSelectorEntry* entry = hashForSelectors_.findValue(target)) entry->paused = true;
  if (HashUpdateEntry* record = hashForUpdates_.findValue(target)) {
    CCAssert(record->entry != nullptr, "pauseTarget: unknown error");
    if (record->entry != nullptr) record->entry->paused = true;
  }
}

void CCScheduler::resumeTarget(platform::Object* target) {
  CCAssert(target != nullptr, "target must be non nil");
  if (HashSelectorEntry* entry = hashForSelectors_.findValue(target)) entry->paused = false;
  if (HashUpdateEntry* record = hashForUpdates_.findValue(target)) {
    CCAssert(record->entry != nullptr, "resumeTarget: unknown error");
    if (record->entry != nullptr) record->entry->paused = false;
  }
}

// [SECTION] Per-frame lists

void CCScheduler::appendIn(UpdateList& list, platform::Object* target, bool paused) {
  auto* entry = new ListEntry();
  entry->target = target;
  entry->paused = paused;
  linkBefore(list, entry, nullptr);
  hashForUpdates_.insert(target, HashUpdateEntry{&list, entry});
}

void CCScheduler::priorityIn(UpdateList& list, platform::Object* target, int32_t priority,
                             bool paused) {
  auto* entry = new ListEntry();
  entry->target = target;
  entry->priority = priority;
  entry->paused = paused;
  // Before the first entry of higher priority: equal priorities keep the order
  // in which they were scheduled.
  ListEntry* successor = list.head;
  while (successor != nullptr && successor->priority <= priority) successor = successor->next;
  linkBefore(list, entry, successor);
  hashForUpdates_.insert(target, HashUpdateEntry{&list, entry});
}

void CCScheduler::linkBefore(UpdateList& list, ListEntry* entry, ListEntry* successor) {
  entry->next = successor;
  entry->previous = successor != nullptr ? successor->previous : list.tail;
  if (entry->previous != nullptr) {
    entry->previous->next = entry;
  } else {
    list.head = entry;
  }
  if (successor != nullptr) {
    successor->previous = entry;
  } else {
    list.tail = entry;
  }
}

void CCScheduler::unlink(UpdateList& list, ListEntry* entry) {
  if (entry->previous != nullptr) {
    entry->previous->next = entry->next;
  } else {
    list.head = entry->next;
  }
  if (entry->next != nullptr) {
    entry->next->previous = entry->previous;
  } else {
    list.tail = entry->previous;
  }
  entry->previous = nullptr;
  entry->next = nullptr;
}

void CCScheduler::freeMarkedEntries() {
  // Unlink everything first (chained through `next`), then free: dropping a
  // target may run its teardown, which may schedule or unschedule again.
  ListEntry* doomed = nullptr;
  ListEntry** doomedTail = &doomed;
  for (UpdateList* list : {&updatesNegative_, &updatesZero_, &updatesPositive_}) {
    for (ListEntry* entry = list->head; entry != nullptr;) {
      ListEntry* next = entry->next;
      if (entry->markedForDeletion) {
        unlink(*list, entry);
        *doomedTail = entry;
        doomedTail = &entry->next;
      }
      entry = next;
    }
  }
  markedEntryCount_ = 0;
  while (doomed != nullptr) {
    ListEntry* entry = doomed;
    doomed = entry->next;
    platform::Ref<platform::Object> released = std::move(entry->target);
    delete entry;
  }
}
