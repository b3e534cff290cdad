#include "tessera/CCJumpBy.h"

#include "tessera/CCNode.h"

#include <cmath>

CCJumpBy* CCJumpBy::actionWithDuration(float duration, CGPoint position, float height, std::int32_t jumps) {
  return platform::createAutoreleased<CCJumpBy>(
      [&](CCJumpBy& action) { return action.initWithDuration(duration, position, height, jumps); });
}

bool CCJumpBy::initWithDuration(float duration, CGPoint position, float height, std::int32_t jumps) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  delta_ = position;
  height_ = height;
  jumps_ = jumps;
  return true;
}

CCJumpBy* CCJumpBy::copy() const {
  CCJumpBy* copy = newInstanceOfSameClass<CCJumpBy>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, delta_, height_, jumps_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCJumpBy* CCJumpBy::reverse() const {
  CCJumpBy* reversed = newInstanceOfSameClass<CCJumpBy>();
  if (!reversed) return nullptr;
  if (!reversed->initWithDuration(duration_, CGPointMake(-delta_.x, -delta_.y), height_, jumps_)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCJumpBy::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  auto* node = static_cast<CCNode*>(target);
  startPosition_ = node ? node->position() : CGPointZero;
}

void CCJumpBy::update(float t) {
  auto* node = static_cast<CCNode*>(target_);
  if (!node) return;
  const float frac = std::fmod(static_cast<float>(jumps_) * t, 1.0f);
  float y = height_ * 4.0f * frac * (1.0f - frac);
  y += delta_.y * t;
  const float x = delta_.x * t;
  node->setPosition(CGPointMake(startPosition_.x + x, startPosition_.y + y));
}
