#pragma once
// The registration of a standard touch delegate.

#include "tessera/Platforms/iOS/CCTouchHandler.h"

class CCStandardTouchDelegate;

/// Registers a delegate that adopts CCStandardTouchDelegate. enabledSelectors
/// is the delegate's touchesSelectorMask() (began 1, moved 2, ended 4,
/// cancelled 8).
class CCStandardTouchHandler : public CCTouchHandler {
  PLATFORM_CLASS(CCStandardTouchHandler, CCTouchHandler)

 public:
  /// An autoreleased handler, or nullptr when initWithDelegate() fails.
  static CCStandardTouchHandler* handlerWithDelegate(platform::Object* delegate, int32_t priority);

  /// As CCTouchHandler, then reads the delegate's mask. Expects the delegate to
  /// adopt CCStandardTouchDelegate; returns false when it does not.
  bool initWithDelegate(platform::Object* delegate, int32_t priority) override;

  /// The delegate seen through its protocol; nullptr before a successful init.
  CCStandardTouchDelegate* standardDelegate() const { return standardDelegate_; }

 private:
  CCStandardTouchDelegate* standardDelegate_ = nullptr;  // the retained delegate's interface
};
