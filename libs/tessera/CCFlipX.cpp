#include "tessera/CCFlipX.h"

#include "tessera/CCSprite.h"

CCFlipX* CCFlipX::actionWithFlipX(bool flipX) {
  return platform::createAutoreleased<CCFlipX>([&](CCFlipX& action) { return action.initWithFlipX(flipX); });
}

bool CCFlipX::initWithFlipX(bool flipX) {
  if (!CCActionInstant::init()) return false;
  flipX_ = flipX;
  return true;
}

CCFlipX* CCFlipX::copy() const {
  CCFlipX* copy = newInstanceOfSameClass<CCFlipX>();
  if (!copy) return nullptr;
  if (!copy->initWithFlipX(flipX_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCFiniteTimeAction* CCFlipX::reverse() const { return actionWithFlipX(!flipX_); }

void CCFlipX::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  if (auto* sprite = dynamic_cast<CCSprite*>(target)) sprite->setFlipX(flipX_);
}
