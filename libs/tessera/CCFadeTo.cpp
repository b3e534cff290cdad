#include "tessera/CCFadeTo.h"

#include "platform/Assert.h"
#include "tessera/CCProtocols.h"
#include "tessera/ccTruncate.h"

CCFadeTo* CCFadeTo::actionWithDuration(float duration, GLubyte opacity) {
  return platform::createAutoreleased<CCFadeTo>(
      [&](CCFadeTo& action) { return action.initWithDuration(duration, opacity); });
}

bool CCFadeTo::initWithDuration(float duration, GLubyte opacity) {
  if (!CCActionInterval::initWithDuration(duration)) return false;
  toOpacity_ = opacity;
  return true;
}

CCFadeTo* CCFadeTo::copy() const {
  CCFadeTo* copy = newInstanceOfSameClass<CCFadeTo>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, toOpacity_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCFadeTo::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  rgbaTarget_ = dynamic_cast<CCRGBAProtocol*>(target);
  CCAssert(rgbaTarget_ != nullptr, "%s: target %s does not adopt CCRGBAProtocol", className(),
           target ? target->className() : "(null)");
  fromOpacity_ = rgbaTarget_ ? rgbaTarget_->opacity() : 0;
}

void CCFadeTo::update(float t) {
  if (!rgbaTarget_) return;
  const float change = static_cast<float>(static_cast<int>(toOpacity_) - static_cast<int>(fromOpacity_));
  rgbaTarget_->setOpacity(ccTruncateToByte(static_cast<float>(fromOpacity_) + change * t));
}
