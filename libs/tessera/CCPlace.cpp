#include "tessera/CCPlace.h"

#include "tessera/CCNode.h"

CCPlace* CCPlace::actionWithPosition(CGPoint position) {
  return platform::createAutoreleased<CCPlace>([&](CCPlace& action) { return action.initWithPosition(position); });
}

bool CCPlace::initWithPosition(CGPoint position) {
  if (!CCActionInstant::init()) return false;
  position_ = position;
  return true;
}

CCPlace* CCPlace::copy() const {
  CCPlace* copy = newInstanceOfSameClass<CCPlace>();
  if (!copy) return nullptr;
  if (!copy->initWithPosition(position_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCPlace::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  if (auto* node = dynamic_cast<CCNode*>(target)) node->setPosition(position_);
}
