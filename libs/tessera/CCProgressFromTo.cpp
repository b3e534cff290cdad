#include "tessera/CCProgressFromTo.h"

#include "tessera/CCProgressTimer.h"

CCProgressFromTo* CCProgressFromTo::actionWithDuration(float duration, float fromPercentage, float toPercentage) {
  return platform::createAutoreleased<CCProgressFromTo>(
      [&](CCProgressFromTo& action) { return action.initWithDuration(duration, fromPercentage, toPercentage); });
}

bool CCProgressFromTo::initWithDuration(float duration, float fromPercentage, float toPercentage) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  from_ = fromPercentage;
  to_ = toPercentage;
  return true;
}

CCProgressFromTo* CCProgressFromTo::copy() const {
  CCProgressFromTo* copy = newInstanceOfSameClass<CCProgressFromTo>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, from_, to_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCProgressFromTo* CCProgressFromTo::reverse() const { return actionWithDuration(duration_, to_, from_); }

void CCProgressFromTo::update(float t) {
  if (auto* timer = dynamic_cast<CCProgressTimer*>(target_)) timer->setPercentage(from_ + (to_ - from_) * t);
}
