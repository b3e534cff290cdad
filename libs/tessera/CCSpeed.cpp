#include "tessera/CCSpeed.h"

CCSpeed* CCSpeed::actionWithAction(CCActionInterval* action, float speed) {
  return platform::createAutoreleased<CCSpeed>(
      [&](CCSpeed& speedAction) { return speedAction.initWithAction(action, speed); });
}

bool CCSpeed::initWithAction(CCActionInterval* action, float speed) {
  if (!CCAction::init()) return false;
  other_ = action;
  speed_ = speed;
  return true;
}

CCSpeed* CCSpeed::copy() const {
  CCSpeed* copy = newInstanceOfSameClass<CCSpeed>();
  if (!copy) return nullptr;
  auto inner = platform::Ref<CCActionInterval>::adopt(other_ ? other_->copy() : nullptr);
  if (!copy->initWithAction(inner.get(), speed_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCSpeed* CCSpeed::reverse() const {
  CCFiniteTimeAction* reversed = other_ ? other_->reverse() : nullptr;
  return actionWithAction(dynamic_cast<CCActionInterval*>(reversed), speed_);
}

void CCSpeed::startWithTarget(platform::Object* target) {
  CCAction::startWithTarget(target);
  if (other_) other_->startWithTarget(target);
}

void CCSpeed::stop() {
  if (other_) other_->stop();
  CCAction::stop();
}

void CCSpeed::step(float dt) {
  if (other_) other_->step(dt * speed_);
}

bool CCSpeed::isDone() const { return other_ ? other_->isDone() : false; }
