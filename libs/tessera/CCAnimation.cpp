#include "tessera/CCAnimation.h"

#include "platform/StringUtils.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Support/CCArray.h"

// [SECTION] Creation

CCAnimation* CCAnimation::animation() {
  return platform::createAutoreleased<CCAnimation>([](CCAnimation& a) { return a.init(); });
}

CCAnimation* CCAnimation::animationWithFrames(const CCArray* frames) {
  return platform::createAutoreleased<CCAnimation>([&](CCAnimation& a) { return a.initWithFrames(frames); });
}

CCAnimation* CCAnimation::animationWithFrames(const CCArray* frames, float delay) {
  return platform::createAutoreleased<CCAnimation>([&](CCAnimation& a) { return a.initWithFrames(frames, delay); });
}

CCAnimation* CCAnimation::animationWithName(const std::string& name) {
  return platform::createAutoreleased<CCAnimation>([&](CCAnimation& a) { return a.initWithName(name); });
}

CCAnimation* CCAnimation::animationWithName(const std::string& name, const CCArray* frames) {
  return platform::createAutoreleased<CCAnimation>([&](CCAnimation& a) { return a.initWithName(name, frames); });
}

CCAnimation* CCAnimation::animationWithName(const std::string& name, float delay) {
  return platform::createAutoreleased<CCAnimation>([&](CCAnimation& a) { return a.initWithName(name, delay); });
}

CCAnimation* CCAnimation::animationWithName(const std::string& name, float delay, const CCArray* frames) {
  return platform::createAutoreleased<CCAnimation>(
      [&](CCAnimation& a) { return a.initWithName(name, delay, frames); });
}

bool CCAnimation::init() { return initWithFrames(nullptr, 0.0f); }

bool CCAnimation::initWithFrames(const CCArray* frames) { return initWithFrames(frames, 0.0f); }

bool CCAnimation::initWithFrames(const CCArray* frames, float delay) {
  delay_ = delay;
  // A copy of the caller's list, so emptying it later leaves ours whole.
  frames_ = CCArray::arrayWithArray(frames);
  return true;
}

bool CCAnimation::initWithName(const std::string& name) { return initWithName(name, 0.0f, nullptr); }

bool CCAnimation::initWithName(const std::string& name, const CCArray* frames) {
  return initWithName(name, 0.0f, frames);
}

bool CCAnimation::initWithName(const std::string& name, float delay) { return initWithName(name, delay, nullptr); }

bool CCAnimation::initWithName(const std::string& name, float delay, const CCArray* frames) {
  delay_ = delay;
  name_ = name;
  frames_ = CCArray::arrayWithArray(frames);
  return true;
}

CCAnimation::~CCAnimation() = default;

std::string CCAnimation::description() const {
  return platform::formatString("<%s = %s | frames=%d, delay:%f>", className(), platform::addressString(this).c_str(),
                                static_cast<int>(frames_ ? frames_->count() : 0), static_cast<double>(delay_));
}

// [SECTION] Frames

void CCAnimation::addFrame(CCSpriteFrame* frame) {
  if (frame == nullptr) return;
  if (!frames_) frames_ = CCArray::array();
  frames_->addObject(frame);
}

void CCAnimation::addFrameWithTexture(CCTexture2D* texture, CGRect rect) {
  addFrame(CCSpriteFrame::frameWithTexture(texture, rect));
}

void CCAnimation::addFrameWithFilename(const std::string& filename) {
  CCTexture2D* texture = CCTextureCache::sharedTextureCache()->addImage(filename);
  CGRect rect = CGRectZero;
  if (texture != nullptr) rect.size = texture->contentSize();
  addFrame(CCSpriteFrame::frameWithTexture(texture, rect));
}

void CCAnimation::setFrames(CCArray* frames) { frames_ = frames ? frames : CCArray::array(); }
