#include "tessera/CCTintTo.h"

#include "platform/Assert.h"
#include "tessera/CCProtocols.h"
#include "tessera/ccTruncate.h"

namespace {

GLubyte interpolate(GLubyte from, GLubyte to, float t) {
  const float change = static_cast<float>(static_cast<int>(to) - static_cast<int>(from));
  return ccTruncateToByte(static_cast<float>(from) + change * t);
}

}  // namespace

CCTintTo* CCTintTo::actionWithDuration(float duration, GLubyte red, GLubyte green, GLubyte blue) {
  return platform::createAutoreleased<CCTintTo>(
      [&](CCTintTo& action) { return action.initWithDuration(duration, red, green, blue); });
}

bool CCTintTo::initWithDuration(float duration, GLubyte red, GLubyte green, GLubyte blue) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  to_ = ccc3(red, green, blue);
  return true;
}

CCTintTo* CCTintTo::copy() const {
  CCTintTo* copy = newInstanceOfSameClass<CCTintTo>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, to_.r, to_.g, to_.b)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCTintTo::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  rgbaTarget_ = dynamic_cast<CCRGBAProtocol*>(target);
  CCAssert(rgbaTarget_ != nullptr, "%s: target %s does not adopt CCRGBAProtocol", className(),
           target ? target->className() : "(null)");
  from_ = rgbaTarget_ ? rgbaTarget_->color() : ccColor3B{};
}

void CCTintTo::update(float t) {
  if (!rgbaTarget_) return;
  rgbaTarget_->setColor(
      ccc3(interpolate(from_.r, to_.r, t), interpolate(from_.g, to_.g, t), interpolate(from_.b, to_.b, t)));
}
