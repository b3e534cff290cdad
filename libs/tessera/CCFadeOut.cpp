#include "tessera/CCFadeOut.h"

#include "platform/Assert.h"
#include "tessera/CCFadeIn.h"
#include "tessera/CCProtocols.h"
#include "tessera/ccTruncate.h"

CCFadeOut* CCFadeOut::actionWithDuration(float duration) {
  return platform::createAutoreleased<CCFadeOut>(
      [&](CCFadeOut& action) { return action.initWithDuration(duration); });
}

CCFiniteTimeAction* CCFadeOut::reverse() const { return CCFadeIn::actionWithDuration(duration_); }

void CCFadeOut::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  rgbaTarget_ = dynamic_cast<CCRGBAProtocol*>(target);
  CCAssert(rgbaTarget_ != nullptr, "%s: target %s does not adopt CCRGBAProtocol", className(),
           target ? target->className() : "(null)");
}

void CCFadeOut::update(float t) {
  if (rgbaTarget_) rgbaTarget_->setOpacity(ccTruncateToByte(255.0f * (1.0f - t)));
}
