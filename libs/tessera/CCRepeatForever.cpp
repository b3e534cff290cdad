#include "tessera/CCRepeatForever.h"

CCRepeatForever* CCRepeatForever::actionWithAction(CCActionInterval* action) {
  return platform::createAutoreleased<CCRepeatForever>(
      [&](CCRepeatForever& repeat) { return repeat.initWithAction(action); });
}

bool CCRepeatForever::initWithAction(CCActionInterval* action) {
  if (!CCAction::init()) return false;
  other_ = action;
  return true;
}

CCRepeatForever* CCRepeatForever::copy() const {
  CCRepeatForever* copy = newInstanceOfSameClass<CCRepeatForever>();
  if (!copy) return nullptr;
  auto inner = platform::Ref<CCActionInterval>::adopt(other_ ? other_->copy() : nullptr);
  if (!copy->initWithAction(inner.get())) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCRepeatForever* CCRepeatForever::reverse() const {
  CCFiniteTimeAction* reversed = other_ ? other_->reverse() : nullptr;
  return actionWithAction(dynamic_cast<CCActionInterval*>(reversed));
}

void CCRepeatForever::startWithTarget(platform::Object* target) {
  CCAction::startWithTarget(target);
  if (other_) other_->startWithTarget(target);
}

void CCRepeatForever::step(float dt) {
  if (!other_) return;
  other_->step(dt);
  if (other_->isDone()) {
    // Passed to the restarted action's first step, which ignores it: the
    // surplus of the finished cycle is not carried over.
    const float diff = (other_->duration() + dt) - other_->elapsed();
    other_->startWithTarget(target_);
    other_->step(diff);
  }
}

bool CCRepeatForever::isDone() const { return false; }
