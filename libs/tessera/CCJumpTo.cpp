#include "tessera/CCJumpTo.h"

CCJumpTo* CCJumpTo::actionWithDuration(float duration, CGPoint position, float height, std::int32_t jumps) {
  return platform::createAutoreleased<CCJumpTo>(
      [&](CCJumpTo& action) { return action.initWithDuration(duration, position, height, jumps); });
}

bool CCJumpTo::initWithDuration(float duration, CGPoint position, float height, std::int32_t jumps) {
  if (!CCJumpBy::initWithDuration(duration, position, height, jumps)) return false;
  destination_ = position;
  return true;
}

CCJumpTo* CCJumpTo::copy() const {
  CCJumpTo* copy = newInstanceOfSameClass<CCJumpTo>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, destination_, height_, jumps_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCJumpTo::startWithTarget(platform::Object* target) {
  CCJumpBy::startWithTarget(target);
  // Measured from the stored destination, not from the offset of an earlier
  // run, so restarting the same object lands on the same point.
  delta_ = CGPointMake(destination_.x - startPosition_.x, destination_.y - startPosition_.y);
}
