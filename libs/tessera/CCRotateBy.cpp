#include "tessera/CCRotateBy.h"

#include "tessera/CCNode.h"

CCRotateBy* CCRotateBy::actionWithDuration(float duration, float angle) {
  return platform::createAutoreleased<CCRotateBy>(
      [&](CCRotateBy& action) { return action.initWithDuration(duration, angle); });
}

bool CCRotateBy::initWithDuration(float duration, float angle) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  angle_ = angle;
  return true;
}

CCRotateBy* CCRotateBy::copy() const {
  CCRotateBy* copy = newInstanceOfSameClass<CCRotateBy>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, angle_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCRotateBy* CCRotateBy::reverse() const { return actionWithDuration(duration_, -angle_); }

void CCRotateBy::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  auto* node = static_cast<CCNode*>(target);
  startAngle_ = node ? node->rotation() : 0.0f;
}

void CCRotateBy::update(float t) {
  if (auto* node = static_cast<CCNode*>(target_)) node->setRotation(startAngle_ + angle_ * t);
}
