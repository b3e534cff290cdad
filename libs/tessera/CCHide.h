#pragma once
// CCHide: an instant action that hides its node.

#include "tessera/CCActionInstant.h"

/// On start: the target node's setVisible(false). Expects a CCNode target; any other
/// target is left alone.
class CCHide : public CCActionInstant {
  PLATFORM_CLASS(CCHide, CCActionInstant)

 public:
  /// A new autoreleased CCHide.
  static CCHide* action();

  /// A new autoreleased CCShow.
  CCFiniteTimeAction* reverse() const override;

  void startWithTarget(platform::Object* target) override;

 protected:
  ~CCHide() override = default;
};
