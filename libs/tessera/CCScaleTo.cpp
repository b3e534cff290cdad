#include "tessera/CCScaleTo.h"

#include "tessera/CCNode.h"

CCScaleTo* CCScaleTo::actionWithDuration(float duration, float scale) {
  return platform::createAutoreleased<CCScaleTo>(
      [&](CCScaleTo& action) { return action.initWithDuration(duration, scale); });
}

CCScaleTo* CCScaleTo::actionWithDuration(float duration, float scaleX, float scaleY) {
  return platform::createAutoreleased<CCScaleTo>(
      [&](CCScaleTo& action) { return action.initWithDuration(duration, scaleX, scaleY); });
}

bool CCScaleTo::initWithDuration(float duration, float scale) {
  return initWithDuration(duration, scale, scale);
}

bool CCScaleTo::initWithDuration(float duration, float scaleX, float scaleY) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  endScaleX_ = scaleX;
  endScaleY_ = scaleY;
  return true;
}

CCScaleTo* CCScaleTo::copy() const {
  CCScaleTo* copy = newInstanceOfSameClass<CCScaleTo>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, endScaleX_, endScaleY_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCScaleTo::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  auto* node = static_cast<CCNode*>(target);
  startScaleX_ = node ? node->scaleX() : 0.0f;
  startScaleY_ = node ? node->scaleY() : 0.0f;
  deltaX_ = endScaleX_ - startScaleX_;
  deltaY_ = endScaleY_ - startScaleY_;
}

void CCScaleTo::update(float t) {
  auto* node = static_cast<CCNode*>(target_);
  if (!node) return;
  node->setScaleX(startScaleX_ + deltaX_ * t);
  node->setScaleY(startScaleY_ + deltaY_ * t);
}
