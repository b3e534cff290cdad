#include "tessera/CCMoveTo.h"

#include "tessera/CCNode.h"

CCMoveTo* CCMoveTo::actionWithDuration(float duration, CGPoint position) {
  return platform::createAutoreleased<CCMoveTo>(
      [&](CCMoveTo& action) { return action.initWithDuration(duration, position); });
}

bool CCMoveTo::initWithDuration(float duration, CGPoint position) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  endPosition_ = position;
  return true;
}

CCMoveTo* CCMoveTo::copy() const {
  CCMoveTo* copy = newInstanceOfSameClass<CCMoveTo>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, endPosition_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCMoveTo::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  auto* node = static_cast<CCNode*>(target);
  startPosition_ = node ? node->position() : CGPointZero;
  delta_ = CGPointMake(endPosition_.x - startPosition_.x, endPosition_.y - startPosition_.y);
}

void CCMoveTo::update(float t) {
  if (auto* node = static_cast<CCNode*>(target_)) {
    node->setPosition(CGPointMake(startPosition_.x + delta_.x * t, startPosition_.y + delta_.y * t));
  }
}
