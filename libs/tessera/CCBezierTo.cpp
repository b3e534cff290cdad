#include "tessera/CCBezierTo.h"

CCBezierTo* CCBezierTo::actionWithDuration(float duration, const ccBezierConfig& bezier) {
  return platform::createAutoreleased<CCBezierTo>(
      [&](CCBezierTo& action) { return action.initWithDuration(duration, bezier); });
}

bool CCBezierTo::initWithDuration(float duration, const ccBezierConfig& bezier) {
  if (!CCBezierBy::initWithDuration(duration, bezier)) return false;
  toConfig_ = bezier;
  return true;
}

CCBezierTo* CCBezierTo::copy() const {
  CCBezierTo* copy = newInstanceOfSameClass<CCBezierTo>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, toConfig_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCBezierTo::startWithTarget(platform::Object* target) {
  CCBezierBy::startWithTarget(target);
  // Made relative from the stored absolute curve, not from the result of an
  // earlier run, so restarting the same object follows the same path.
  const CGPoint s = startPosition_;
  config_.controlPoint_1 = CGPointMake(toConfig_.controlPoint_1.x - s.x, toConfig_.controlPoint_1.y - s.y);
  config_.controlPoint_2 = CGPointMake(toConfig_.controlPoint_2.x - s.x, toConfig_.controlPoint_2.y - s.y);
  config_.endPosition = CGPointMake(toConfig_.endPosition.x - s.x, toConfig_.endPosition.y - s.y);
}
