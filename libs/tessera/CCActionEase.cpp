#include "tessera/CCActionEase.h"

#include "platform/Assert.h"

#include <cmath>

// [SECTION] Constants
// [SECTION] CCActionEase
// [SECTION] Rate
// [SECTION] Exponential
// [SECTION] Sine
// [SECTION] Elastic
// [SECTION] Bounce
// [SECTION] Back

namespace {

// [SECTION] Constants

constexpr float kPi = 3.1415927f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kDefaultPeriod = 0.3f;
// The back curves overshoot by 1.70158; the in-out form by 1.70158 × 1.525.
constexpr float kBackOvershoot = 1.70158f;
constexpr float kBackOvershootPlusOne = 2.70158f;
constexpr float kBackInOutOvershoot = 2.5949094f;
constexpr float kBackInOutOvershootPlusOne = 3.5949094f;

}  // namespace

// [SECTION] CCActionEase

bool CCActionEase::initWithAction(CCActionInterval* action) {
  CCAssert(action != nullptr, "Ease: arguments must be non-nil");
  if (!action) return false;
  if (!CCActionInterval::initWithDuration(action->duration())) return false;
  other_ = action;
  return true;
}

CCActionEase* CCActionEase::copy() const {
  CCActionEase* copy = newInstanceOfSameClass<CCActionEase>();
  if (!copy) return nullptr;
  auto inner = platform::Ref<CCActionInterval>::adopt(other_ ? other_->copy() : nullptr);
  if (!copy->initWithAction(inner.get())) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCActionInterval* CCActionEase::reversedInner() const {
  return other_ ? dynamic_cast<CCActionInterval*>(other_->reverse()) : nullptr;
}

CCActionEase* CCActionEase::reverse() const {
  CCActionInterval* inner = reversedInner();
  if (!inner) return nullptr;
  CCActionEase* reversed = newInstanceOfSameClass<CCActionEase>();
  if (!reversed) return nullptr;
  if (!reversed->initWithAction(inner)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCActionEase::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  if (other_) other_->startWithTarget(target_);
}

void CCActionEase::stop() {
  if (other_) other_->stop();
  CCActionInterval::stop();
}

void CCActionEase::update(float t) {
  if (other_) other_->update(t);
}

// [SECTION] Rate

CCEaseRateAction* CCEaseRateAction::actionWithAction(CCActionInterval* action, float rate) {
  return platform::createAutoreleased<CCEaseRateAction>(
      [&](CCEaseRateAction& ease) { return ease.initWithAction(action, rate); });
}

bool CCEaseRateAction::initWithAction(CCActionInterval* action, float rate) {
  if (!CCActionEase::initWithAction(action)) return false;
  rate_ = rate;
  return true;
}

CCEaseRateAction* CCEaseRateAction::copy() const {
  CCEaseRateAction* copy = newInstanceOfSameClass<CCEaseRateAction>();
  if (!copy) return nullptr;
  auto inner = platform::Ref<CCActionInterval>::adopt(other_ ? other_->copy() : nullptr);
  if (!copy->initWithAction(inner.get(), rate_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCEaseRateAction* CCEaseRateAction::reverse() const {
  CCActionInterval* inner = reversedInner();
  if (!inner) return nullptr;
  CCEaseRateAction* reversed = newInstanceOfSameClass<CCEaseRateAction>();
  if (!reversed) return nullptr;
  if (!reversed->initWithAction(inner, 1.0f / rate_)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCEaseIn::update(float t) {
  if (other_) other_->update(std::pow(t, rate_));
}

CCEaseIn* CCEaseIn::reverse() const { return reverseAs<CCEaseIn>(1.0f / rate_); }

void CCEaseOut::update(float t) {
  if (other_) other_->update(std::pow(t, 1.0f / rate_));
}

CCEaseOut* CCEaseOut::reverse() const { return reverseAs<CCEaseOut>(1.0f / rate_); }

void CCEaseInOut::update(float t) {
  if (!other_) return;
  const float u = t + t;
  if (u < 1.0f) {
    other_->update(std::pow(u, rate_) * 0.5f);
    return;
  }
  const float whole = std::trunc(rate_);
  if (whole == rate_) {
    // A whole-number power of the negative u − 2 keeps its sign for odd rates
    // and loses it for even ones; the sign puts the result back above 0.5.
    const float sign = std::fmod(whole, 2.0f) != 0.0f ? 1.0f : -1.0f;
    other_->update((sign * 0.5f) * (std::pow(u - 2.0f, rate_) + sign * 2.0f));
  } else {
    // A fractional power of a negative number is not a number: mirror the
    // first half about (0.5, 0.5) instead, which is what the whole-number
    // form computes.
    other_->update(1.0f - std::pow(2.0f - u, rate_) * 0.5f);
  }
}

CCEaseInOut* CCEaseInOut::reverse() const { return reverseAs<CCEaseInOut>(rate_); }

// [SECTION] Exponential

void CCEaseExponentialIn::update(float t) {
  if (!other_) return;
  // The curve proper ends at 0.999; the end points are pinned so that the
  // inner action finishes at its end state.
  if (t == 0.0f || t == 1.0f) {
    other_->update(t);
    return;
  }
  other_->update(std::exp2((t - 1.0f) * 10.0f) - 0.001f);
}

CCActionEase* CCEaseExponentialIn::reverse() const { return reverseAs<CCEaseExponentialOut>(); }

void CCEaseExponentialOut::update(float t) {
  if (other_) other_->update(t == 1.0f ? 1.0f : 1.0f - std::exp2(t * -10.0f));
}

CCActionEase* CCEaseExponentialOut::reverse() const { return reverseAs<CCEaseExponentialIn>(); }

void CCEaseExponentialInOut::update(float t) {
  if (!other_) return;
  // The curve proper runs from 0.00049 to 0.99951; the end points are pinned.
  if (t == 0.0f || t == 1.0f) {
    other_->update(t);
    return;
  }
  const float u = t + t;
  if (u < 1.0f) {
    other_->update(std::exp2((u - 1.0f) * 10.0f) * 0.5f);
  } else {
    other_->update((2.0f - std::exp2((u - 1.0f) * -10.0f)) * 0.5f);
  }
}

// [SECTION] Sine

void CCEaseSineIn::update(float t) {
  if (other_) other_->update(1.0f - std::cos(t * kHalfPi));
}

CCActionEase* CCEaseSineIn::reverse() const { return reverseAs<CCEaseSineOut>(); }

void CCEaseSineOut::update(float t) {
  if (other_) other_->update(std::sin(t * kHalfPi));
}

CCActionEase* CCEaseSineOut::reverse() const { return reverseAs<CCEaseSineIn>(); }

void CCEaseSineInOut::update(float t) {
  if (other_) other_->update((std::cos(t * kPi) - 1.0f) * -0.5f);
}

// [SECTION] Elastic

CCEaseElastic* CCEaseElastic::actionWithAction(CCActionInterval* action) {
  return platform::createAutoreleased<CCEaseElastic>([&](CCEaseElastic& ease) { return ease.initWithAction(action); });
}

CCEaseElastic* CCEaseElastic::actionWithAction(CCActionInterval* action, float period) {
  return platform::createAutoreleased<CCEaseElastic>(
      [&](CCEaseElastic& ease) { return ease.initWithAction(action, period); });
}

bool CCEaseElastic::initWithAction(CCActionInterval* action) { return initWithAction(action, kDefaultPeriod); }

bool CCEaseElastic::initWithAction(CCActionInterval* action, float period) {
  if (!CCActionEase::initWithAction(action)) return false;
  period_ = period;
  return true;
}

CCEaseElastic* CCEaseElastic::copy() const {
  CCEaseElastic* copy = newInstanceOfSameClass<CCEaseElastic>();
  if (!copy) return nullptr;
  auto inner = platform::Ref<CCActionInterval>::adopt(other_ ? other_->copy() : nullptr);
  if (!copy->initWithAction(inner.get(), period_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCActionEase* CCEaseElastic::reverse() const {
  CCAssert(false, "Override me");
  return nullptr;
}

void CCEaseElasticIn::update(float t) {
  if (!other_) return;
  if (t == 0.0f || t == 1.0f) {
    other_->update(t);
    return;
  }
  const float u = t - 1.0f;
  other_->update(std::exp2(u * 10.0f) * std::sin((u - period_ / 4.0f) * kPi * -2.0f / period_));
}

CCActionEase* CCEaseElasticIn::reverse() const { return reverseAs<CCEaseElasticOut>(); }

void CCEaseElasticOut::update(float t) {
  if (!other_) return;
  if (t == 0.0f || t == 1.0f) {
    other_->update(t);
    return;
  }
  other_->update(std::exp2(t * -10.0f) * std::sin((t - period_ / 4.0f) * kPi * 2.0f / period_) + 1.0f);
}

CCActionEase* CCEaseElasticOut::reverse() const { return reverseAs<CCEaseElasticIn>(); }

void CCEaseElasticInOut::update(float t) {
  if (!other_) return;
  if (t == 0.0f || t == 1.0f) {
    other_->update(t);
    return;
  }
  if (period_ == 0.0f) period_ = kDefaultPeriod * 1.5f;
  const float p = period_;
  const float u = t + t - 1.0f;
  const float s = p * 0.25f;
  if (u < 0.0f) {
    other_->update((std::exp2(u * 10.0f) * -0.5f) * std::sin((u - s) * kPi * 2.0f / p));
  } else {
    other_->update((std::exp2(u * -10.0f) * std::sin((u - s) * kPi * 2.0f / p)) * 0.5f + 1.0f);
  }
}

CCActionEase* CCEaseElasticInOut::reverse() const { return reverseAs<CCEaseElasticInOut>(); }

// [SECTION] Bounce

float CCEaseBounce::bounceTime(float t) const {
  const double wide = t;
  if (wide < 1 / 2.75) return (t * 7.5625f) * t;
  if (wide < 2 / 2.75) {
    const float u = t - 0.54545456f;  // 1.5 / 2.75
    return (u * 7.5625f) * u + 0.75f;
  }
  if (wide < 2.5 / 2.75) {
    const float u = t - 0.8181818f;  // 2.25 / 2.75
    return (u * 7.5625f) * u + 0.9375f;
  }
  const float u = t - 0.95454544f;  // 2.625 / 2.75
  return (u * 7.5625f) * u + 0.984375f;
}

void CCEaseBounceIn::update(float t) {
  if (other_) other_->update(1.0f - bounceTime(1.0f - t));
}

CCActionEase* CCEaseBounceIn::reverse() const { return reverseAs<CCEaseBounceOut>(); }

void CCEaseBounceOut::update(float t) {
  if (other_) other_->update(bounceTime(t));
}

CCActionEase* CCEaseBounceOut::reverse() const { return reverseAs<CCEaseBounceIn>(); }

void CCEaseBounceInOut::update(float t) {
  if (!other_) return;
  if (t < 0.5f) {
    other_->update((1.0f - bounceTime(t * -2.0f + 1.0f)) * 0.5f);
  } else {
    other_->update(bounceTime(t + t - 1.0f) * 0.5f + 0.5f);
  }
}

// [SECTION] Back

void CCEaseBackIn::update(float t) {
  if (other_) other_->update((t * t) * (t * kBackOvershootPlusOne - kBackOvershoot));
}

CCActionEase* CCEaseBackIn::reverse() const { return reverseAs<CCEaseBackOut>(); }

void CCEaseBackOut::update(float t) {
  if (!other_) return;
  const float u = t - 1.0f;
  other_->update((u * u) * (u * kBackOvershootPlusOne + kBackOvershoot) + 1.0f);
}

CCActionEase* CCEaseBackOut::reverse() const { return reverseAs<CCEaseBackIn>(); }

void CCEaseBackInOut::update(float t) {
  if (!other_) return;
  const float u = t + t;
  if (u < 1.0f) {
    other_->update(((u * u) * (u * kBackInOutOvershootPlusOne - kBackInOutOvershoot)) * 0.5f);
  } else {
    const float v = u - 2.0f;
    other_->update(((v * v) * (v * kBackInOutOvershootPlusOne + kBackInOutOvershoot)) * 0.5f + 1.0f);
  }
}
