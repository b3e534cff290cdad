#include "tessera/Platforms/iOS/CCTouchDispatcher.h"

#include "platform/Assert.h"
#include "platform/Touch.h"
#include "tessera/Platforms/iOS/CCStandardTouchHandler.h"
#include "tessera/Platforms/iOS/CCTargetedTouchHandler.h"
#include "tessera/Platforms/iOS/CCTouchDelegateProtocol.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <optional>
#include <utility>

namespace {

// The singleton and the class-wide lock that serialises its creation. The lock
// is re-entrant because the constructor checks for an existing instance under
// it, also when sharedDispatcher() already holds it.
CCTouchDispatcher* s_sharedDispatcher = nullptr;
std::recursive_mutex s_classLock;

constexpr std::size_t kTargetedHandlersCapacity = 8;
constexpr std::size_t kStandardHandlersCapacity = 4;
constexpr std::size_t kQueueCapacity = 8;

/// What each phase calls: the standard callback, the targeted callback (none
/// for began, whose callback returns the claim and is called directly) and the
/// phase's selector bit.
struct TouchHandlerHelperData {
  void (CCStandardTouchDelegate::*touchesSelector)(platform::TouchSet*, platform::Event*);
  void (CCTargetedTouchDelegate::*touchSelector)(platform::Touch*, platform::Event*);
  unsigned type;
};

constexpr TouchHandlerHelperData kHandlerHelperData[kCCTouchMax] = {
    {&CCStandardTouchDelegate::ccTouchesBegan, nullptr, kCCTouchSelectorBeganBit},
    {&CCStandardTouchDelegate::ccTouchesMoved, &CCTargetedTouchDelegate::ccTouchMoved,
     kCCTouchSelectorMovedBit},
    {&CCStandardTouchDelegate::ccTouchesEnded, &CCTargetedTouchDelegate::ccTouchEnded,
     kCCTouchSelectorEndedBit},
    {&CCStandardTouchDelegate::ccTouchesCancelled, &CCTargetedTouchDelegate::ccTouchCancelled,
     kCCTouchSelectorCancelledBit},
};

/// Moves every handler out of `handlers` into the returned list, leaving
/// `handlers` empty with its capacity kept. The caller drops the returned list
/// once `handlers` is consistent, so delegates freed by it find the dispatcher
/// in a sound state.
CCTouchDispatcher::HandlerList takeAll(CCTouchDispatcher::HandlerList& handlers) {
  CCTouchDispatcher::HandlerList taken(std::make_move_iterator(handlers.begin()),
                                       std::make_move_iterator(handlers.end()));
  handlers.clear();
  return taken;
}

/// Removes the first handler of `delegate` from `handlers`; the handler is
/// released after the list is consistent again.
void removeFirstHandlerOf(platform::Object* delegate, CCTouchDispatcher::HandlerList& handlers) {
  auto found = std::find_if(handlers.begin(), handlers.end(), [delegate](const auto& handler) {
    return handler->delegate() == delegate;
  });
  if (found == handlers.end()) return;
  platform::Ref<CCTouchHandler> removed = std::move(*found);
  handlers.erase(found);
}

}  // namespace

// [SECTION] Singleton

CCTouchDispatcher* CCTouchDispatcher::sharedDispatcher() {
  std::lock_guard<std::recursive_mutex> lock(s_classLock);
  if (s_sharedDispatcher == nullptr) s_sharedDispatcher = new CCTouchDispatcher();
  return s_sharedDispatcher;
}

void CCTouchDispatcher::purgeSharedDispatcher() {
  CCTouchDispatcher* dispatcher = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(s_classLock);
    dispatcher = std::exchange(s_sharedDispatcher, nullptr);
  }
  // Released outside the lock: it releases delegates, whose teardown is theirs.
  if (dispatcher) dispatcher->release();
}

CCTouchDispatcher::CCTouchDispatcher() {
  {
    std::lock_guard<std::recursive_mutex> lock(s_classLock);
    CCAssert(s_sharedDispatcher == nullptr,
             "Attempted to allocate a second instance of a singleton.");
  }
  targetedHandlers_.reserve(kTargetedHandlersCapacity);
  standardHandlers_.reserve(kStandardHandlersCapacity);
  handlersToAdd_.reserve(kQueueCapacity);
  handlersToRemove_.reserve(kQueueCapacity);
}

CCTouchDispatcher::~CCTouchDispatcher() {
  std::lock_guard<std::recursive_mutex> lock(s_classLock);
  if (s_sharedDispatcher == this) s_sharedDispatcher = nullptr;
}

// [SECTION] Registration: add, remove, remove all

void CCTouchDispatcher::addTargetedDelegate(platform::Object* delegate, int32_t priority,
                                            bool swallowsTouches) {
  addHandler(CCTargetedTouchHandler::handlerWithDelegate(delegate, priority, swallowsTouches),
             targetedHandlers_);
}

void CCTouchDispatcher::addStandardDelegate(platform::Object* delegate, int32_t priority) {
  addHandler(CCStandardTouchHandler::handlerWithDelegate(delegate, priority), standardHandlers_);
}

void CCTouchDispatcher::addHandler(CCTouchHandler* handler, HandlerList& handlers) {
  if (handler == nullptr) return;
  if (locked_) {
    handlersToAdd_.emplace_back(handler);
    toAdd_ = true;
  } else {
    forceAddHandler(handler, handlers);
  }
}

void CCTouchDispatcher::removeDelegate(platform::Object* delegate) {
  if (delegate == nullptr) return;
  if (locked_) {
    handlersToRemove_.emplace_back(delegate);
    toRemove_ = true;
  } else {
    forceRemoveDelegate(delegate);
  }
}

void CCTouchDispatcher::removeAllDelegates() {
  if (locked_) {
    toQuit_ = true;
  } else {
    forceRemoveAllDelegates();
  }
}

void CCTouchDispatcher::setPriority(int32_t priority, platform::Object* delegate) {
  CCAssert(false, "Set priority no implemented yet. Don't forget to report this bug!");
}

// [SECTION] Events from the view

void CCTouchDispatcher::touchesBegan(platform::TouchSet* touches, platform::Event* event) {
  if (dispatchEvents_) this->touches(touches, event, kCCTouchBegan);
}

void CCTouchDispatcher::touchesMoved(platform::TouchSet* touches, platform::Event* event) {
  if (dispatchEvents_) this->touches(touches, event, kCCTouchMoved);
}

void CCTouchDispatcher::touchesEnded(platform::TouchSet* touches, platform::Event* event) {
  if (dispatchEvents_) this->touches(touches, event, kCCTouchEnded);
}

void CCTouchDispatcher::touchesCancelled(platform::TouchSet* touches, platform::Event* event) {
  if (dispatchEvents_) this->touches(touches, event, kCCTouchCancelled);
}

// [SECTION] Internals: insertion, removal, dispatch

void CCTouchDispatcher::forceAddHandler(CCTouchHandler* handler, HandlerList& handlers) {
  std::size_t index = 0;
  for (const auto& existing : handlers) {
    if (existing->priority() < handler->priority()) ++index;
    CCAssert(existing->delegate() != handler->delegate(),
             "Delegate already added to touch dispatcher.");
  }
  handlers.emplace(handlers.begin() + static_cast<std::ptrdiff_t>(index), handler);
}

void CCTouchDispatcher::forceRemoveDelegate(platform::Object* delegate) {
  removeFirstHandlerOf(delegate, targetedHandlers_);
  removeFirstHandlerOf(delegate, standardHandlers_);
}

void CCTouchDispatcher::forceRemoveAllDelegates() {
  takeAll(standardHandlers_);
  takeAll(targetedHandlers_);
}

void CCTouchDispatcher::touches(platform::TouchSet* touches, platform::Event* event,
                                uint32_t touchType) {
  CCAssert(touchType < kCCTouchMax, "Invalid idx value");
  // An unknown phase has no callbacks to call.
  if (touchType >= kCCTouchMax || touches == nullptr) return;

  // A callback may purge the singleton (the director's teardown); the dispatch
  // still needs the dispatcher until it returns.
  platform::Ref<CCTouchDispatcher> keepAlive(this);
  // A callback that feeds an event back in runs a nested dispatch. Only the
  // outermost one applies the queued changes, since the lists are being walked
  // further out.
  const bool outermost = !locked_;
  locked_ = true;

  const bool hasTargeted = !targetedHandlers_.empty();
  const bool hasStandard = !standardHandlers_.empty();
  // Swallowed touches are taken out of a copy; with only one kind of handler
  // nothing needs taking out, and the set is passed on as it came.
  std::optional<platform::TouchSet> ownCopy;
  platform::TouchSet* remaining = touches;
  if (hasTargeted && hasStandard) {
    ownCopy.emplace(*touches);
    remaining = &*ownCopy;
  }
  const TouchHandlerHelperData& helper = kHandlerHelperData[touchType];

  if (hasTargeted) {
    // By index, and holding the touch: the caller's set is not ours.
    for (std::size_t t = 0; t < touches->count(); ++t) {
      platform::Ref<platform::Touch> touch = touches->at(t);
      for (const auto& entry : targetedHandlers_) {
        auto* handler = static_cast<CCTargetedTouchHandler*>(entry.get());
        CCTargetedTouchDelegate* delegate = handler->targetedDelegate();
        bool claimed = false;
        if (touchType == kCCTouchBegan) {
          claimed = delegate->ccTouchBegan(touch, event);
          if (claimed) handler->claimedTouches()->add(touch);
        } else if (handler->claimedTouches()->contains(touch)) {
          claimed = true;
          if (handler->enabledSelectors() & helper.type) (delegate->*helper.touchSelector)(touch, event);
          if (touchType == kCCTouchEnded || touchType == kCCTouchCancelled) {
            handler->claimedTouches()->remove(touch);
          }
        }
        if (claimed && handler->swallowsTouches()) {
          if (ownCopy) remaining->remove(touch);
          break;
        }
      }
    }
  }

  if (hasStandard && !remaining->empty()) {
    for (const auto& entry : standardHandlers_) {
      auto* handler = static_cast<CCStandardTouchHandler*>(entry.get());
      if (handler->enabledSelectors() & helper.type) {
        (handler->standardDelegate()->*helper.touchesSelector)(remaining, event);
      }
    }
  }

  ownCopy.reset();
  if (outermost) {
    locked_ = false;
    applyQueuedChanges();
  }
}

void CCTouchDispatcher::applyQueuedChanges() {
  if (toRemove_) {
    toRemove_ = false;
    for (const auto& delegate : handlersToRemove_) forceRemoveDelegate(delegate);
    handlersToRemove_.clear();
  }
  if (toAdd_) {
    toAdd_ = false;
    for (const auto& handler : handlersToAdd_) {
      if (dynamic_cast<CCTargetedTouchHandler*>(handler.get())) {
        forceAddHandler(handler, targetedHandlers_);
      } else {
        forceAddHandler(handler, standardHandlers_);
      }
    }
    handlersToAdd_.clear();
  }
  if (toQuit_) {
    toQuit_ = false;
    forceRemoveAllDelegates();
  }
}
