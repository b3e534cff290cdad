#pragma once
// The touch dispatcher: receives the GL view's touches and hands them to the
// registered touch delegates.
//
// [SECTION] Registration: add, remove, remove all
// [SECTION] Events from the view
// [SECTION] Internals: insertion, removal, dispatch

#include "platform/Object.h"
#include "platform/Ref.h"
#include "tessera/Platforms/iOS/CCTouchHandler.h"
#include "tessera/Platforms/iOS/EAGLTouchDelegate.h"

#include <cstdint>
#include <vector>

namespace platform {
class Touch;
class TouchSet;
class Event;
}  // namespace platform

/// The phase indices touches() takes.
enum : uint32_t {
  kCCTouchBegan = 0,
  kCCTouchMoved = 1,
  kCCTouchEnded = 2,
  kCCTouchCancelled = 3,
  kCCTouchMax = 4,
};

/// The process-wide touch dispatcher (sharedDispatcher()).
///
/// Targeted delegates are served before standard ones, each list by ascending
/// priority; among equal priorities the delegate registered last is served
/// first. For each touch of an event the targeted handlers are walked in order:
/// in the began phase each is asked to claim the touch; in later phases only
/// the handlers that claimed it see it, and the ended and cancelled phases end
/// the claim. A claiming handler that swallows touches hides the touch from
/// every handler after it, standard ones included. The standard handlers then
/// get the set of touches left, if it is not empty.
///
/// Registrations and removals made while an event is being dispatched (from a
/// delegate's callback) are queued and applied right after the dispatch:
/// removals first, then additions, then a remove-all. So a delegate removed
/// during a dispatch still sees the rest of the current event.
///
/// Cost: nothing is allocated per event unless both kinds of delegate are
/// registered, in which case the touch set is copied once per event so that
/// swallowed touches can be taken out of it. The handler lists are never
/// copied.
///
/// Main thread only; only the creation of the singleton is locked.
///
/// dealloc: releases the handlers (and so their delegates) and the queues.
class CCTouchDispatcher : public platform::Object, public EAGLTouchDelegate {
  PLATFORM_CLASS(CCTouchDispatcher, platform::Object)

 public:
  using HandlerList = std::vector<platform::Ref<CCTouchHandler>>;

  /// The singleton, created on first use under a class-wide lock.
  static CCTouchDispatcher* sharedDispatcher();
  /// Releases the singleton and forgets it, so the next sharedDispatcher()
  /// makes a fresh one. For the director's teardown and for tests. Safe to call
  /// from a touch callback: a running dispatch keeps the dispatcher alive until
  /// it returns.
  static void purgeSharedDispatcher();

  /// An empty dispatcher that dispatches events. Expects no singleton to exist
  /// ("Attempted to allocate a second instance of a singleton."); use
  /// sharedDispatcher() rather than calling this.
  CCTouchDispatcher();

  // [SECTION] Registration: add, remove, remove all

  /// Registers `delegate`, which must adopt CCTargetedTouchDelegate, and
  /// retains it until it is removed. Expects a delegate ("Touch delegate may not
  /// be nil") that is not registered as a targeted delegate yet ("Delegate
  /// already added to touch dispatcher."). During a dispatch the registration
  /// takes effect when the dispatch ends.
  /// \param delegate the delegate object.
  /// \param priority the serving order: lower priorities are offered touches
  ///   first.
  /// \param swallowsTouches whether a touch the delegate claims is kept from
  ///   the delegates after it.
  void addTargetedDelegate(platform::Object* delegate, int32_t priority, bool swallowsTouches);
  /// The same for a delegate adopting CCStandardTouchDelegate.
  /// \param delegate the delegate object.
  /// \param priority the serving order: lower priorities are offered touches
  ///   first.
  void addStandardDelegate(platform::Object* delegate, int32_t priority);
  /// Unregisters `delegate` from the targeted and the standard list and
  /// releases it. nullptr and unregistered delegates are ignored. During a
  /// dispatch the removal takes effect when the dispatch ends.
  /// \param delegate the delegate object.
  void removeDelegate(platform::Object* delegate);
  /// Unregisters every delegate; during a dispatch, when it ends (after the
  /// queued additions, which are removed too).
  void removeAllDelegates();
  /// Not supported: fails the assertion "Set priority no implemented yet.
  /// Don't forget to report this bug!" and changes nothing. Remove the delegate
  /// and add it again instead.
  void setPriority(int32_t priority, platform::Object* delegate);

  /// Whether incoming events are dispatched. Default true. Events arriving
  /// while it is false are dropped and claims are not updated, so a touch that
  /// ends meanwhile stays claimed.
  bool dispatchEvents() const { return dispatchEvents_; }
  void setDispatchEvents(bool dispatchEvents) { dispatchEvents_ = dispatchEvents; }

  /// Registered targeted handlers (CCTargetedTouchHandler), in serving order.
  const HandlerList& targetedHandlers() const { return targetedHandlers_; }
  /// Registered standard handlers (CCStandardTouchHandler), in serving order.
  const HandlerList& standardHandlers() const { return standardHandlers_; }

  // [SECTION] Events from the view

  /// Each dispatches the touches that changed in that phase when
  /// dispatchEvents() is true, and does nothing otherwise.
  void touchesBegan(platform::TouchSet* touches, platform::Event* event) override;
  void touchesMoved(platform::TouchSet* touches, platform::Event* event) override;
  void touchesEnded(platform::TouchSet* touches, platform::Event* event) override;
  void touchesCancelled(platform::TouchSet* touches, platform::Event* event) override;

  // [SECTION] Internals: insertion, removal, dispatch

  /// Inserts `handler` into `handlers` after every handler of strictly lower
  /// priority, so that it comes first among equal priorities. Expects no
  /// handler of `handlers` to have the same delegate ("Delegate already added
  /// to touch dispatcher.").
  void forceAddHandler(CCTouchHandler* handler, HandlerList& handlers);
  /// Removes the first targeted and the first standard handler of `delegate`.
  void forceRemoveDelegate(platform::Object* delegate);
  /// Empties the standard list, then the targeted list.
  void forceRemoveAllDelegates();
  /// Dispatches `touches` in phase `touchType` (kCCTouchBegan..kCCTouchCancelled;
  /// expects a valid phase, "Invalid idx value", and ignores others), then
  /// applies the changes queued meanwhile. A null set dispatches nothing.
  void touches(platform::TouchSet* touches, platform::Event* event, uint32_t touchType);

 protected:
  ~CCTouchDispatcher() override;

 private:
  /// Adds `handler` now, or queues it during a dispatch. Null handlers (a
  /// refused registration) are ignored.
  void addHandler(CCTouchHandler* handler, HandlerList& handlers);
  /// Applies the removals, additions and remove-all queued during a dispatch.
  void applyQueuedChanges();

  HandlerList targetedHandlers_;
  HandlerList standardHandlers_;
  bool locked_ = false;    // a dispatch is running (a re-entrancy guard, not a thread lock)
  bool toAdd_ = false;     // handlersToAdd_ holds handlers
  bool toRemove_ = false;  // handlersToRemove_ holds delegates
  bool toQuit_ = false;    // removeAllDelegates() was called during a dispatch
  HandlerList handlersToAdd_;
  std::vector<platform::Ref<platform::Object>> handlersToRemove_;
  bool dispatchEvents_ = true;
};
