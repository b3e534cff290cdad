#pragma once
// CCToggleVisibility: an instant action that toggles its node's visibility.

#include "tessera/CCActionInstant.h"

/// On start: the target node's setVisible(!visible()). Expects a CCNode target; any other
/// target is left alone.
class CCToggleVisibility : public CCActionInstant {
  PLATFORM_CLASS(CCToggleVisibility, CCActionInstant)

 public:
  /// A new autoreleased CCToggleVisibility.
  static CCToggleVisibility* action();

  void startWithTarget(platform::Object* target) override;

 protected:
  ~CCToggleVisibility() override = default;
};
