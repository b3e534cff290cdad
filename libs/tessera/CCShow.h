#pragma once
// CCShow: an instant action that shows its node.

#include "tessera/CCActionInstant.h"

/// On start: the target node's setVisible(true). Expects a CCNode target; any other
/// target is left alone.
class CCShow : public CCActionInstant {
  PLATFORM_CLASS(CCShow, CCActionInstant)

 public:
  /// A new autoreleased CCShow.
  static CCShow* action();

  /// A new autoreleased CCHide.
  CCFiniteTimeAction* reverse() const override;

  void startWithTarget(platform::Object* target) override;

 protected:
  ~CCShow() override = default;
};
