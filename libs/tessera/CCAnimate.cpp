#include "tessera/CCAnimate.h"

#include "platform/Assert.h"
#include "tessera/CCAnimation.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Support/CCArray.h"

#include <cstdint>

// [SECTION] Creation

CCAnimate* CCAnimate::actionWithAnimation(CCAnimation* animation) {
  return platform::createAutoreleased<CCAnimate>([&](CCAnimate& a) { return a.initWithAnimation(animation); });
}

CCAnimate* CCAnimate::actionWithAnimation(CCAnimation* animation, bool restoreOriginalFrame) {
  return platform::createAutoreleased<CCAnimate>(
      [&](CCAnimate& a) { return a.initWithAnimation(animation, restoreOriginalFrame); });
}

CCAnimate* CCAnimate::actionWithDuration(float duration, CCAnimation* animation, bool restoreOriginalFrame) {
  return platform::createAutoreleased<CCAnimate>(
      [&](CCAnimate& a) { return a.initWithDuration(duration, animation, restoreOriginalFrame); });
}

bool CCAnimate::initWithAnimation(CCAnimation* animation) {
  CCAssert(animation != nullptr, "Animate: argument Animation must be non-nil");
  return initWithAnimation(animation, true);
}

bool CCAnimate::initWithAnimation(CCAnimation* animation, bool restoreOriginalFrame) {
  CCAssert(animation != nullptr, "Animate: argument Animation must be non-nil");
  if (animation == nullptr) return false;
  const float duration = static_cast<float>(animation->frames()->count()) * animation->delay();
  return initWithDuration(duration, animation, restoreOriginalFrame);
}

bool CCAnimate::initWithDuration(float duration, CCAnimation* animation, bool restoreOriginalFrame) {
  CCAssert(animation != nullptr, "Animate: argument Animation must be non-nil");
  if (animation == nullptr) return false;
  if (!CCActionInterval::initWithDuration(duration)) return false;
  restoreOriginalFrame_ = restoreOriginalFrame;
  animation_ = animation;
  origFrame_ = nullptr;
  return true;
}

CCAnimate::~CCAnimate() = default;

CCAnimate* CCAnimate::copy() const {
  CCAnimate* copy = newInstanceOfSameClass<CCAnimate>();
  if (!copy) return nullptr;
  if (!copy->initWithDuration(duration_, animation_.get(), restoreOriginalFrame_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCFiniteTimeAction* CCAnimate::reverse() const {
  if (!animation_) return nullptr;
  CCArray* frames = animation_->frames();
  CCArray* reversed = CCArray::arrayWithCapacity(frames->count());
  for (std::uint32_t i = frames->count(); i-- > 0;) {
    platform::Object* frame = frames->objectAtIndex(i)->copy();
    reversed->addObject(frame);
    frame->release();
  }
  CCAnimation* animation = CCAnimation::animationWithFrames(reversed, animation_->delay());

  CCAnimate* action = newInstanceOfSameClass<CCAnimate>();
  if (!action) return nullptr;
  if (!action->initWithDuration(duration_, animation, restoreOriginalFrame_)) {
    action->release();
    return nullptr;
  }
  return platform::autoreleased(action);
}

// [SECTION] Running

void CCAnimate::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  origFrame_ = nullptr;
  if (!restoreOriginalFrame_) return;
  if (auto* sprite = dynamic_cast<CCSprite*>(target)) origFrame_ = sprite->displayedFrame();
}

void CCAnimate::update(float t) {
  auto* sprite = dynamic_cast<CCSprite*>(target_);
  if (sprite == nullptr || !animation_) return;
  CCArray* frames = animation_->frames();
  const std::uint32_t count = frames->count();
  if (count == 0) return;

  // Truncated, and kept within the frames: t = 1 (and a NaN) shows the last
  // frame, a negative t the first.
  const float position = static_cast<float>(count) * t;
  std::uint32_t index = count - 1;
  if (position < static_cast<float>(count)) index = position > 0.0f ? static_cast<std::uint32_t>(position) : 0;
  if (index >= count) index = count - 1;

  auto* frame = dynamic_cast<CCSpriteFrame*>(frames->objectAtIndex(index));
  if (frame != nullptr && !sprite->isFrameDisplayed(frame)) sprite->setDisplayFrame(frame);
}

void CCAnimate::stop() {
  if (restoreOriginalFrame_ && origFrame_) {
    if (auto* sprite = dynamic_cast<CCSprite*>(target_)) sprite->setDisplayFrame(origFrame_.get());
  }
  CCActionInterval::stop();
}

void CCAnimate::setAnimation(CCAnimation* animation) { animation_ = animation; }
