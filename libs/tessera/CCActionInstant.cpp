#include "tessera/CCActionInstant.h"

CCActionInstant* CCActionInstant::action() {
  return platform::createAutoreleased<CCActionInstant>([](CCActionInstant& action) { return action.init(); });
}

bool CCActionInstant::init() {
  if (!CCFiniteTimeAction::init()) return false;
  duration_ = 0.0f;
  return true;
}

CCActionInstant* CCActionInstant::copy() const {
  CCActionInstant* copy = newInstanceOfSameClass<CCActionInstant>();
  if (!copy) return nullptr;
  if (!copy->init()) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCFiniteTimeAction* CCActionInstant::reverse() const { return platform::autoreleased(copy()); }

bool CCActionInstant::isDone() const { return true; }

void CCActionInstant::step(float dt) { update(1.0f); }

void CCActionInstant::update(float t) {}
