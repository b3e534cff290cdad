#include "tessera/CCRepeat.h"

#include <cmath>

CCRepeat* CCRepeat::actionWithAction(CCFiniteTimeAction* action, std::uint32_t times) {
  return platform::createAutoreleased<CCRepeat>(
      [&](CCRepeat& repeat) { return repeat.initWithAction(action, times); });
}

bool CCRepeat::initWithAction(CCFiniteTimeAction* action, std::uint32_t times) {
  const float innerDuration = action ? action->duration() : 0.0f;
  if (!CCActionInterval::initWithDuration(innerDuration * static_cast<float>(times))) return false;
  times_ = times;
  other_ = action;
  total_ = 0;
  return true;
}

CCRepeat* CCRepeat::copy() const {
  CCRepeat* copy = newInstanceOfSameClass<CCRepeat>();
  if (!copy) return nullptr;
  auto inner = platform::Ref<CCFiniteTimeAction>::adopt(other_ ? other_->copy() : nullptr);
  if (!copy->initWithAction(inner.get(), times_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCRepeat* CCRepeat::reverse() const {
  CCFiniteTimeAction* inner = other_ ? other_->reverse() : nullptr;
  if (!inner) return nullptr;
  CCRepeat* reversed = newInstanceOfSameClass<CCRepeat>();
  if (!reversed) return nullptr;
  if (!reversed->initWithAction(inner, times_)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCRepeat::startWithTarget(platform::Object* target) {
  total_ = 0;
  CCActionInterval::startWithTarget(target);
  if (other_) other_->startWithTarget(target);
}

void CCRepeat::stop() {
  if (other_) other_->stop();
  CCActionInterval::stop();
}

void CCRepeat::update(float t) {
  if (!other_) return;
  const float s = static_cast<float>(times_) * t;
  const float next = static_cast<float>(total_ + 1u);
  // s has reached the end of the current repetition: finish it and begin the
  // next one from the target's current state. Exactly at the end of a
  // repetition that is not the last, the next one begins at once (fraction
  // 0); letting the fractional part (0) through instead would send the
  // running repetition back to its start for a frame.
  if (s > next || (s == next && total_ + 1u < times_)) {
    other_->update(1.0f);
    ++total_;
    other_->stop();
    other_->startWithTarget(target_);
    other_->update(total_ == times_ ? 0.0f : s - static_cast<float>(total_));
  } else {
    float r = std::fmod(s, 1.0f);
    if (t == 1.0f) {
      r = 1.0f;
      ++total_;
    }
    other_->update(r < 1.0f ? r : 1.0f);
  }
}

bool CCRepeat::isDone() const { return total_ == times_; }
