#include "tessera/CCProgressTo.h"

#include "tessera/CCProgressTimer.h"

CCProgressTo* CCProgressTo::actionWithDuration(float duration, float percent) {
  return platform::createAutoreleased<CCProgressTo>(
      [&](CCProgressTo& action) { return action.initWithDuration(duration, percent); });
}

bool CCProgressTo::initWithDuration(float duration, float percent) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  to_ = percent;
  return true;
}

CCProgressTo* CCProgressTo::copy() const {
  CCProgressTo* copy = newInstanceOfSameClass<CCProgressTo>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, to_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCProgressTo::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  auto* timer = dynamic_cast<CCProgressTimer*>(target);
  from_ = timer ? timer->percentage() : 0.0f;
  if (from_ == 100.0f) from_ = 0.0f;  // a full bar starts again from empty
}

void CCProgressTo::update(float t) {
  if (auto* timer = dynamic_cast<CCProgressTimer*>(target_)) timer->setPercentage(from_ + (to_ - from_) * t);
}
