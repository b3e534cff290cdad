#include "tessera/CCFlipY.h"

#include "tessera/CCSprite.h"

CCFlipY* CCFlipY::actionWithFlipY(bool flipY) {
  return platform::createAutoreleased<CCFlipY>([&](CCFlipY& action) { return action.initWithFlipY(flipY); });
}

bool CCFlipY::initWithFlipY(bool flipY) {
  if (!CCActionInstant::init()) return false;
  flipY_ = flipY;
  return true;
}

CCFlipY* CCFlipY::copy() const {
  CCFlipY* copy = newInstanceOfSameClass<CCFlipY>();
  if (!copy) return nullptr;
  if (!copy->initWithFlipY(flipY_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCFiniteTimeAction* CCFlipY::reverse() const { return actionWithFlipY(!flipY_); }

void CCFlipY::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  if (auto* sprite = dynamic_cast<CCSprite*>(target)) sprite->setFlipY(flipY_);
}
