#include "tessera/CCFadeIn.h"

#include "platform/Assert.h"
#include "tessera/CCFadeOut.h"
#include "tessera/CCProtocols.h"
#include "tessera/ccTruncate.h"

CCFadeIn* CCFadeIn::actionWithDuration(float duration) {
  return platform::createAutoreleased<CCFadeIn>(
      [&](CCFadeIn& action) { return action.initWithDuration(duration); });
}

CCFiniteTimeAction* CCFadeIn::reverse() const { return CCFadeOut::actionWithDuration(duration_); }

void CCFadeIn::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  rgbaTarget_ = dynamic_cast<CCRGBAProtocol*>(target);
  CCAssert(rgbaTarget_ != nullptr, "%s: target %s does not adopt CCRGBAProtocol", className(),
           target ? target->className() : "(null)");
}

void CCFadeIn::update(float t) {
  if (rgbaTarget_) rgbaTarget_->setOpacity(ccTruncateToByte(255.0f * t));
}
