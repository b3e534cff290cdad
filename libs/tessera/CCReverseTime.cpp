#include "tessera/CCReverseTime.h"

CCReverseTime* CCReverseTime::actionWithAction(CCFiniteTimeAction* action) {
  return platform::createAutoreleased<CCReverseTime>(
      [&](CCReverseTime& reverse) { return reverse.initWithAction(action); });
}

bool CCReverseTime::initWithAction(CCFiniteTimeAction* action) {
  if (!CCActionInterval::initWithDuration(action ? action->duration() : 0.0f)) return false;
  other_ = action;
  return true;
}

CCReverseTime* CCReverseTime::copy() const {
  CCReverseTime* copy = newInstanceOfSameClass<CCReverseTime>();
  if (!copy) return nullptr;
  auto inner = platform::Ref<CCFiniteTimeAction>::adopt(other_ ? other_->copy() : nullptr);
  if (!copy->initWithAction(inner.get())) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCFiniteTimeAction* CCReverseTime::reverse() const {
  return other_ ? platform::autoreleased(other_->copy()) : nullptr;
}

void CCReverseTime::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  if (other_) other_->startWithTarget(target);
}

void CCReverseTime::stop() {
  if (other_) other_->stop();
  CCActionInterval::stop();
}

void CCReverseTime::update(float t) {
  if (other_) other_->update(1.0f - t);
}
