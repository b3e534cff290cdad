#include "tessera/CCBlink.h"

#include "tessera/CCNode.h"

#include <cmath>

CCBlink* CCBlink::actionWithDuration(float duration, std::int32_t blinks) {
  return platform::createAutoreleased<CCBlink>(
      [&](CCBlink& action) { return action.initWithDuration(duration, blinks); });
}

bool CCBlink::initWithDuration(float duration, std::int32_t blinks) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  times_ = blinks;
  return true;
}

CCBlink* CCBlink::copy() const {
  CCBlink* copy = newInstanceOfSameClass<CCBlink>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, times_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCBlink* CCBlink::reverse() const {
  CCBlink* reversed = newInstanceOfSameClass<CCBlink>();
  if (!reversed) return nullptr;
  if (!reversed->initWithDuration(duration_, times_)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCBlink::update(float t) {
  auto* node = static_cast<CCNode*>(target_);
  if (!node || isDone()) return;
  const float slice = 1.0f / static_cast<float>(times_);
  const float m = std::fmod(t, slice);
  node->setVisible(m > slice * 0.5f);
}
