#pragma once
// One registration with the touch dispatcher: a delegate, its priority and the
// optional callbacks the delegate implements.

#include "platform/Object.h"
#include "platform/Ref.h"

#include <cstdint>

/// The common part of targeted and standard handlers. The dispatcher creates
/// one per registration and drops it when the delegate is removed.
///
/// dealloc: releases the delegate. A handler therefore keeps its delegate alive
/// until the delegate is removed from the dispatcher.
class CCTouchHandler : public platform::Object {
  PLATFORM_CLASS(CCTouchHandler, platform::Object)

 public:
  /// An autoreleased handler, or nullptr when initWithDelegate() fails.
  static CCTouchHandler* handlerWithDelegate(platform::Object* delegate, int32_t priority);

  /// Retains `delegate`, stores `priority` and clears enabledSelectors. Expects
  /// a delegate ("Touch delegate may not be nil"); without one it returns false
  /// and the handler stays empty.
  virtual bool initWithDelegate(platform::Object* delegate, int32_t priority);

  /// The registered delegate (retained). Its identity is what the dispatcher
  /// compares when adding and removing.
  platform::Object* delegate() const { return delegate_.get(); }
  /// Lower values are served first. Default 0.
  int32_t priority() const { return priority_; }
  void setPriority(int32_t priority) { priority_ = priority; }
  /// kCCTouchSelector*Bit values of the callbacks the delegate implements,
  /// taken from the delegate's mask at initialisation. Default 0.
  unsigned enabledSelectors() const { return enabledSelectors_; }
  void setEnabledSelectors(unsigned selectors) { enabledSelectors_ = selectors; }

 private:
  platform::Ref<platform::Object> delegate_;
  int32_t priority_ = 0;
  unsigned enabledSelectors_ = 0;
};
