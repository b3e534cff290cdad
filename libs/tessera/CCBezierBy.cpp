#include "tessera/CCBezierBy.h"

#include "tessera/CCNode.h"

#include <cmath>

namespace {

// One coordinate of the cubic Bézier curve at t.
float bezierAt(float a, float b, float c, float d, float t) {
  const float u = 1.0f - t;
  return std::pow(u, 3.0f) * a + 3.0f * t * (u * u) * b + 3.0f * (t * t) * u * c + std::pow(t, 3.0f) * d;
}

}  // namespace

CCBezierBy* CCBezierBy::actionWithDuration(float duration, const ccBezierConfig& bezier) {
  return platform::createAutoreleased<CCBezierBy>(
      [&](CCBezierBy& action) { return action.initWithDuration(duration, bezier); });
}

bool CCBezierBy::initWithDuration(float duration, const ccBezierConfig& bezier) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  config_ = bezier;
  return true;
}

CCBezierBy* CCBezierBy::copy() const {
  CCBezierBy* copy = newInstanceOfSameClass<CCBezierBy>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, config_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCBezierBy* CCBezierBy::reverse() const {
  const CGPoint e = config_.endPosition;
  const CGPoint c1 = config_.controlPoint_1;
  const CGPoint c2 = config_.controlPoint_2;
  ccBezierConfig reversedConfig;
  reversedConfig.endPosition = CGPointMake(-e.x, -e.y);
  reversedConfig.controlPoint_1 = CGPointMake(c2.x - e.x, c2.y - e.y);
  reversedConfig.controlPoint_2 = CGPointMake(c1.x - e.x, c1.y - e.y);

  CCBezierBy* reversed = newInstanceOfSameClass<CCBezierBy>();
  if (!reversed) return nullptr;
  if (!reversed->initWithDuration(duration_, reversedConfig)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCBezierBy::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  auto* node = static_cast<CCNode*>(target);
  startPosition_ = node ? node->position() : CGPointZero;
}

void CCBezierBy::update(float t) {
  auto* node = static_cast<CCNode*>(target_);
  if (!node) return;
  const float x = bezierAt(0.0f, config_.controlPoint_1.x, config_.controlPoint_2.x, config_.endPosition.x, t);
  const float y = bezierAt(0.0f, config_.controlPoint_1.y, config_.controlPoint_2.y, config_.endPosition.y, t);
  node->setPosition(CGPointMake(startPosition_.x + x, startPosition_.y + y));
}
