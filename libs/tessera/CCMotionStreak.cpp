#include "tessera/CCMotionStreak.h"

#include "tessera/Support/CGPointExtension.h"

// [SECTION] Creation

CCMotionStreak* CCMotionStreak::streakWithFade(float fade, float minSeg, const std::string& image, float width,
                                               float length, ccColor4B color) {
  return platform::createAutoreleased<CCMotionStreak>(
      [&](CCMotionStreak& streak) { return streak.initWithFade(fade, minSeg, image, width, length, color); });
}

bool CCMotionStreak::initWithFade(float fade, float minSeg, const std::string& image, float width, float length,
                                  ccColor4B color) {
  if (!CCNode::init()) return false;
  segThreshold_ = minSeg;
  width_ = width;
  lastLocation_ = CGPointZero;

  CCRibbon* ribbon = CCRibbon::ribbonWithWidth(width, image, length, color, fade);
  if (ribbon == nullptr) return false;
  // Running init again replaces the old trail.
  if (ribbon_) removeChild(ribbon_.get(), true);
  ribbon_ = ribbon;
  addChild(ribbon);

  scheduleUpdate();
  return true;
}

CCMotionStreak::~CCMotionStreak() = default;

// [SECTION] Following the node

void CCMotionStreak::update(float dt) {
  const CGPoint location = convertToWorldSpace(CGPointZero);
  ribbon_->setPosition(CGPointMake(-location.x, -location.y));

  const CGPoint moved = CGPointMake(location.x - lastLocation_.x, location.y - lastLocation_.y);
  if (pointLength(moved) > segThreshold_) {
    ribbon_->addPointAt(location, width_);
    lastLocation_ = location;
  }

  ribbon_->update(dt);
}

// [SECTION] Properties

CCTexture2D* CCMotionStreak::texture() const { return ribbon_ ? ribbon_->texture() : nullptr; }

void CCMotionStreak::setTexture(CCTexture2D* texture) {
  if (ribbon_) ribbon_->setTexture(texture);
}

ccBlendFunc CCMotionStreak::blendFunc() const { return ribbon_ ? ribbon_->blendFunc() : ccBlendFunc{}; }

void CCMotionStreak::setBlendFunc(const ccBlendFunc& blendFunc) {
  if (ribbon_) ribbon_->setBlendFunc(blendFunc);
}
