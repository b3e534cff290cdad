#include "tessera/CCActionInterval.h"

#include "platform/Assert.h"
#include "platform/Exception.h"

#include <cfloat>

CCActionInterval* CCActionInterval::actionWithDuration(float duration) {
  return platform::createAutoreleased<CCActionInterval>(
      [&](CCActionInterval& action) { return action.initWithDuration(duration); });
}

bool CCActionInterval::initWithDuration(float duration) {
  if (!CCFiniteTimeAction::init()) return false;
  // A zero duration would make the fraction 0/0; the smallest step keeps the
  // "0 on the first step, 1 on the second" behaviour of an instant change.
  duration_ = duration == 0.0f ? FLT_EPSILON : duration;
  elapsed_ = 0.0f;
  firstTick_ = true;
  return true;
}

bool CCActionInterval::init() {
  CCAssert(false, "IntervalActionInit: Init not supported. Use InitWithDuration");
  return false;
}

CCActionInterval* CCActionInterval::copy() const {
  CCActionInterval* copy = newInstanceOfSameClass<CCActionInterval>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCFiniteTimeAction* CCActionInterval::reverse() const {
  CCAssert(false, "CCIntervalAction: reverse not implemented.");
  return nullptr;
}

void CCActionInterval::startWithTarget(platform::Object* target) {
  CCFiniteTimeAction::startWithTarget(target);
  elapsed_ = 0.0f;
  firstTick_ = true;
}

void CCActionInterval::step(float dt) {
  if (firstTick_) {
    firstTick_ = false;
    elapsed_ = 0.0f;
  } else {
    elapsed_ += dt;
  }
  const float t = elapsed_ / duration_;
  update(t <= 1.0f ? t : 1.0f);  // NaN compares false and gives 1
}

bool CCActionInterval::isDone() const { return elapsed_ >= duration_; }

void CCActionInterval::setAmplitudeRate(float rate) {
  throw platform::Exception("IntervalAction (Amplitude)", "Abstract class needs implementation");
}

float CCActionInterval::amplitudeRate() const {
  throw platform::Exception("IntervalAction (Amplitude)", "Abstract class needs implementation");
}
