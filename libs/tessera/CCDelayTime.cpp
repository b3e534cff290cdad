#include "tessera/CCDelayTime.h"

CCDelayTime* CCDelayTime::actionWithDuration(float duration) {
  return platform::createAutoreleased<CCDelayTime>(
      [&](CCDelayTime& delay) { return delay.initWithDuration(duration); });
}

CCDelayTime* CCDelayTime::reverse() const {
  CCDelayTime* reversed = newInstanceOfSameClass<CCDelayTime>();
  if (!reversed) return nullptr;
  if (!reversed->initWithDuration(duration_)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCDelayTime::update(float t) {}
