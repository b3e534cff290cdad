#include "tessera/CCRotateTo.h"

#include "tessera/CCNode.h"

#include <cmath>

CCRotateTo* CCRotateTo::actionWithDuration(float duration, float angle) {
  return platform::createAutoreleased<CCRotateTo>(
      [&](CCRotateTo& action) { return action.initWithDuration(duration, angle); });
}

bool CCRotateTo::initWithDuration(float duration, float angle) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  dstAngle_ = angle;
  return true;
}

CCRotateTo* CCRotateTo::copy() const {
  CCRotateTo* copy = newInstanceOfSameClass<CCRotateTo>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, dstAngle_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCRotateTo::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  auto* node = static_cast<CCNode*>(target);
  startAngle_ = node ? node->rotation() : 0.0f;
  startAngle_ = startAngle_ > 0.0f ? std::fmod(startAngle_, 360.0f) : std::fmod(startAngle_, -360.0f);

  diffAngle_ = dstAngle_ - startAngle_;
  if (diffAngle_ > 180.0f) diffAngle_ -= 360.0f;
  if (diffAngle_ < -180.0f) diffAngle_ += 360.0f;
}

void CCRotateTo::update(float t) {
  if (auto* node = static_cast<CCNode*>(target_)) node->setRotation(startAngle_ + diffAngle_ * t);
}
