#include "tessera/CCTintBy.h"

#include "platform/Assert.h"
#include "tessera/CCProtocols.h"
#include "tessera/ccTruncate.h"

namespace {

GLubyte shift(std::int16_t from, std::int16_t delta, float t) {
  return ccTruncateToByte(static_cast<float>(from) + static_cast<float>(delta) * t);
}

// Negation in 32 bits, narrowed back: -(-32768) wraps to -32768 instead of
// overflowing.
std::int16_t negated(std::int16_t value) { return static_cast<std::int16_t>(-static_cast<std::int32_t>(value)); }

}  // namespace

CCTintBy* CCTintBy::actionWithDuration(float duration, std::int16_t red, std::int16_t green, std::int16_t blue) {
  return platform::createAutoreleased<CCTintBy>(
      [&](CCTintBy& action) { return action.initWithDuration(duration, red, green, blue); });
}

bool CCTintBy::initWithDuration(float duration, std::int16_t red, std::int16_t green, std::int16_t blue) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  deltaR_ = red;
  deltaG_ = green;
  deltaB_ = blue;
  return true;
}

CCTintBy* CCTintBy::copy() const {
  CCTintBy* copy = newInstanceOfSameClass<CCTintBy>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, deltaR_, deltaG_, deltaB_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCTintBy* CCTintBy::reverse() const {
  return actionWithDuration(duration_, negated(deltaR_), negated(deltaG_), negated(deltaB_));
}

void CCTintBy::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  rgbaTarget_ = dynamic_cast<CCRGBAProtocol*>(target);
  CCAssert(rgbaTarget_ != nullptr, "%s: target %s does not adopt CCRGBAProtocol", className(),
           target ? target->className() : "(null)");
  const ccColor3B color = rgbaTarget_ ? rgbaTarget_->color() : ccColor3B{};
  fromR_ = color.r;
  fromG_ = color.g;
  fromB_ = color.b;
}

void CCTintBy::update(float t) {
  if (!rgbaTarget_) return;
  rgbaTarget_->setColor(ccc3(shift(fromR_, deltaR_, t), shift(fromG_, deltaG_, t), shift(fromB_, deltaB_, t)));
}
