#include "tessera/CCActionManager.h"

#include "platform/Assert.h"
#include "tessera/CCAction.h"
#include "tessera/CCScheduler.h"
#include "tessera/Support/ccCArray.h"

#include <iterator>
#include <utility>

namespace {
CCActionManager* g_sharedManager = nullptr;

CCAction* actionAt(const ccArray* list, std::uint32_t index) {
  // The lists hold nothing but actions.
  return static_cast<CCAction*>(list->arr[index]);
}
}  // namespace

// [SECTION] Singleton

CCActionManager* CCActionManager::sharedManager() {
  if (!g_sharedManager) {
    auto* manager = new CCActionManager();
    manager->init();
    g_sharedManager = manager;
  }
  return g_sharedManager;
}

void CCActionManager::purgeSharedManager() {
  CCActionManager* manager = std::exchange(g_sharedManager, nullptr);
  if (!manager) return;
  CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(manager);
  manager->release();
}

CCActionManager::CCActionManager() {
  CCAssert(g_sharedManager == nullptr, "Attempted to allocate a second instance of a singleton.");
}

CCActionManager::~CCActionManager() {
  removeAllActions();
  // Only the shared manager is forgotten: destroying another instance must not
  // orphan the live singleton.
  if (g_sharedManager == this) g_sharedManager = nullptr;
}

bool CCActionManager::init() {
  CCScheduler::sharedScheduler()->scheduleUpdateForTarget(this, 0, false);
  return true;
}

// [SECTION] Table entries

CCActionManager::HashElement* CCActionManager::findElement(const platform::Object* target) const {
  // Lookups do not change the table; the map only offers a non-const find.
  return const_cast<TargetTable&>(targets_).findValue(target);
}

void CCActionManager::actionAllocWithHashElement(HashElement* element) {
  if (!element->actionList) {
    element->actionList = ccArrayNew(4);
  } else if (element->actionList->num == element->actionList->max) {
    ccArrayDoubleCapacity(element->actionList);
  }
}

void CCActionManager::deleteHashElement(HashElement* element) {
  ccArrayFree(element->actionList);
  element->actionList = nullptr;
  // The target is released only after the entry has left the table, so a
  // destructor it triggers sees a consistent table.
  platform::Ref<platform::Object> target = std::move(element->target);
  targets_.erase(target.get());
}

void CCActionManager::removeActionAtIndex(std::uint32_t index, HashElement* element) {
  CCAction* action = actionAt(element->actionList, index);
  if (action == element->runningAction && !element->runningActionSalvaged) {
    action->retain();  // released by update() once the action's step returns
    element->runningActionSalvaged = true;
  }
  ccArrayRemoveObjectAtIndex(element->actionList, index);
  // Keep update() on the action that followed; from 0 this wraps and the
  // loop's increment brings it back to 0.
  if (element->runIndex >= index) element->runIndex--;
  if (element->actionList->num == 0) {
    if (currentTarget_ == element) {
      currentTargetSalvaged_ = true;
    } else {
      deleteHashElement(element);
    }
  }
}

// [SECTION] Adding and removing actions

void CCActionManager::addAction(CCAction* action, platform::Object* target, bool paused) {
  CCAssert(action != nullptr, "Argument action must be non-nil");
  CCAssert(target != nullptr, "Argument target must be non-nil");
  if (!action || !target) return;

  HashElement* element = findElement(target);
  if (!element) {
    HashElement fresh;
    fresh.paused = paused;
    fresh.target = target;
    element = &targets_.insert(target, std::move(fresh))->value;
  }
  actionAllocWithHashElement(element);

  const bool alreadyRunning = ccArrayContainsObject(element->actionList, action);
  CCAssert(!alreadyRunning, "runAction: Action already running");
  if (alreadyRunning) return;
  ccArrayAppendObject(element->actionList, action);
  action->startWithTarget(target);
}

void CCActionManager::removeAction(CCAction* action) {
  if (!action) return;
  // The target is already cleared once the action has stopped; the original
  // target still names the entry.
  HashElement* element = findElement(action->originalTarget());
  if (!element) return;
  const std::uint32_t index = ccArrayGetIndexOfObject(element->actionList, action);
  if (index != CC_INVALID_INDEX) removeActionAtIndex(index, element);
}

void CCActionManager::removeActionByTag(std::int32_t tag, platform::Object* target) {
  CCAssert(tag != kCCActionTagInvalid, "Invalid tag");
  CCAssert(target != nullptr, "Target should be ! nil");
  if (tag == kCCActionTagInvalid || !target) return;

  HashElement* element = findElement(target);
  if (!element) return;
  const std::uint32_t count = element->actionList->num;
  for (std::uint32_t i = 0; i < count; ++i) {
    CCAction* action = actionAt(element->actionList, i);
    if (action->tag() == tag && action->originalTarget() == target) {
      removeActionAtIndex(i, element);
      break;
    }
  }
}

CCAction* CCActionManager::getActionByTag(std::int32_t tag, platform::Object* target) const {
  CCAssert(tag != kCCActionTagInvalid, "Invalid tag");
  if (tag == kCCActionTagInvalid) return nullptr;

  const HashElement* element = findElement(target);
  if (!element) return nullptr;
  for (std::uint32_t i = 0; i < element->actionList->num; ++i) {
    CCAction* action = actionAt(element->actionList, i);
    if (action->tag() == tag) return action;
  }
  return nullptr;
}

std::uint32_t CCActionManager::numberOfRunningActionsInTarget(platform::Object* target) const {
  const HashElement* element = findElement(target);
  return element ? element->actionList->num : 0;
}

void CCActionManager::removeAllActionsFromTarget(platform::Object* target) {
  if (!target) return;
  HashElement* element = findElement(target);
  if (!element) return;

  if (element->runningAction && !element->runningActionSalvaged &&
      ccArrayContainsObject(element->actionList, element->runningAction)) {
    element->runningAction->retain();  // released by update() once the step returns
    element->runningActionSalvaged = true;
  }
  ccArrayRemoveAllObjects(element->actionList);
  if (currentTarget_ == element) {
    currentTargetSalvaged_ = true;
  } else {
    deleteHashElement(element);
  }
}

void CCActionManager::removeAllActions() {
  for (auto it = targets_.begin(); it != targets_.end();) {
    auto next = std::next(it);
    removeAllActionsFromTarget(it->value.target.get());
    it = next;
  }
}

// [SECTION] Pausing

void CCActionManager::pauseTarget(platform::Object* target) {
  if (HashElement* element = findElement(target)) element->paused = true;
}

void CCActionManager::resumeTarget(platform::Object* target) {
  if (HashElement* element = findElement(target)) element->paused = false;
}

void CCActionManager::pauseAllActionsForTarget(platform::Object* target) { pauseTarget(target); }

void CCActionManager::resumeAllActionsForTarget(platform::Object* target) { resumeTarget(target); }

// [SECTION] Frame

void CCActionManager::update(float dt) {
  for (auto it = targets_.begin(); it != targets_.end();) {
    HashElement& element = it->value;
    currentTarget_ = &element;
    currentTargetSalvaged_ = false;

    if (!element.paused) {
      // The count is read again on every pass: steps may add or remove actions.
      for (element.runIndex = 0; element.runIndex < element.actionList->num; element.runIndex++) {
        element.runningAction = actionAt(element.actionList, element.runIndex);
        element.runningActionSalvaged = false;

        element.runningAction->step(dt);

        if (element.runningActionSalvaged) {
          // Removed during its own step: drop the keep-alive retain. It is
          // neither asked isDone() nor stopped.
          element.runningAction->release();
        } else if (element.runningAction->isDone()) {
          element.runningAction->stop();
          CCAction* finished = std::exchange(element.runningAction, nullptr);
          removeAction(finished);
        }
        element.runningAction = nullptr;
      }
    }

    // Taken after the actions ran, so entries freed meanwhile are never visited.
    auto next = std::next(it);
    if (currentTargetSalvaged_ && element.actionList->num == 0) deleteHashElement(&element);
    it = next;
  }
  currentTarget_ = nullptr;
}
