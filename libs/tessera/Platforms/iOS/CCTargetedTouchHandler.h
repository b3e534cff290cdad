#pragma once
// The registration of a targeted touch delegate, with the touches it claimed.

#include "platform/Touch.h"
#include "tessera/Platforms/iOS/CCTouchHandler.h"

class CCTargetedTouchDelegate;

/// Registers a delegate that adopts CCTargetedTouchDelegate. enabledSelectors
/// always has the began bit (ccTouchBegan is required) plus the bits of the
/// delegate's touchSelectorMask().
///
/// dealloc: releases the claimed touches, then the delegate.
class CCTargetedTouchHandler : public CCTouchHandler {
  PLATFORM_CLASS(CCTargetedTouchHandler, CCTouchHandler)

 public:
  /// An autoreleased handler, or nullptr when initWithDelegate() fails.
  static CCTargetedTouchHandler* handlerWithDelegate(platform::Object* delegate, int32_t priority,
                                                     bool swallowsTouches);

  /// As CCTouchHandler, then stores `swallowsTouches`, starts with no claimed
  /// touches and reads the delegate's mask. Expects the delegate to adopt
  /// CCTargetedTouchDelegate; returns false when it does not.
  virtual bool initWithDelegate(platform::Object* delegate, int32_t priority, bool swallowsTouches);
  /// The same with swallowsTouches false.
  bool initWithDelegate(platform::Object* delegate, int32_t priority) override;

  /// The delegate seen through its protocol; nullptr before a successful init.
  CCTargetedTouchDelegate* targetedDelegate() const { return targetedDelegate_; }
  /// Whether the touches this delegate claims are withheld from every handler
  /// served after it. Default false.
  bool swallowsTouches() const { return swallowsTouches_; }
  void setSwallowsTouches(bool swallows) { swallowsTouches_ = swallows; }
  /// Touches the delegate claimed whose gesture has not yet ended or been
  /// cancelled. The dispatcher updates it.
  platform::TouchSet* claimedTouches() { return &claimedTouches_; }
  const platform::TouchSet* claimedTouches() const { return &claimedTouches_; }

 private:
  CCTargetedTouchDelegate* targetedDelegate_ = nullptr;  // the retained delegate's interface
  bool swallowsTouches_ = false;
  platform::TouchSet claimedTouches_;
};
