#include "tessera/CCFiniteTimeAction.h"

CCFiniteTimeAction* CCFiniteTimeAction::action() {
  return platform::createAutoreleased<CCFiniteTimeAction>(
      [](CCFiniteTimeAction& action) { return action.init(); });
}

CCFiniteTimeAction* CCFiniteTimeAction::copy() const {
  // The base copy makes an object of this very class, which is a finite-time action.
  return static_cast<CCFiniteTimeAction*>(CCAction::copy());
}

CCFiniteTimeAction* CCFiniteTimeAction::reverse() const { return nullptr; }
