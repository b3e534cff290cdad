#include "tessera/CCMoveBy.h"

#include "tessera/CCNode.h"

CCMoveBy* CCMoveBy::actionWithDuration(float duration, CGPoint position) {
  return platform::createAutoreleased<CCMoveBy>(
      [&](CCMoveBy& action) { return action.initWithDuration(duration, position); });
}

bool CCMoveBy::initWithDuration(float duration, CGPoint position) {
  if (!CCMoveTo::initWithDuration(duration, position)) return false;
  delta_ = position;
  return true;
}

CCMoveBy* CCMoveBy::copy() const {
  CCMoveBy* copy = newInstanceOfSameClass<CCMoveBy>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, delta_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCMoveBy* CCMoveBy::reverse() const {
  return actionWithDuration(duration_, CGPointMake(-delta_.x, -delta_.y));
}

void CCMoveBy::startWithTarget(platform::Object* target) {
  // Skips the destination-based start of CCMoveTo: the offset is fixed.
  CCActionInterval::startWithTarget(target);
  auto* node = static_cast<CCNode*>(target);
  startPosition_ = node ? node->position() : CGPointZero;
}
