#include "tessera/CCScaleBy.h"

CCScaleBy* CCScaleBy::actionWithDuration(float duration, float scale) {
  return platform::createAutoreleased<CCScaleBy>(
      [&](CCScaleBy& action) { return action.initWithDuration(duration, scale); });
}

CCScaleBy* CCScaleBy::actionWithDuration(float duration, float scaleX, float scaleY) {
  return platform::createAutoreleased<CCScaleBy>(
      [&](CCScaleBy& action) { return action.initWithDuration(duration, scaleX, scaleY); });
}

CCScaleBy* CCScaleBy::reverse() const {
  return actionWithDuration(duration_, 1.0f / endScaleX_, 1.0f / endScaleY_);
}

void CCScaleBy::startWithTarget(platform::Object* target) {
  CCScaleTo::startWithTarget(target);
  deltaX_ = startScaleX_ * endScaleX_ - startScaleX_;
  deltaY_ = startScaleY_ * endScaleY_ - startScaleY_;
}
