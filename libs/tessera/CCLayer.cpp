#include "tessera/CCLayer.h"

#include "platform/Assert.h"
#include "tessera/CCDirector.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"

bool CCLayer::init() {
  if (!CCNode::init()) return false;
  // Stored directly: setContentSize derives the pixel anchor from it.
  anchorPoint_ = CGPointMake(0.5f, 0.5f);
  setContentSize(CCDirector::sharedDirector()->winSize());
  isRelativeAnchorPoint_ = false;
  isTouchEnabled_ = false;
  isAccelerometerEnabled_ = false;
  return true;
}

CCLayer::~CCLayer() {
  if (isAccelerometerEnabled_) platform::Accelerometer::removeDelegate(this);
}

void CCLayer::registerWithTouchDispatcher() {
  CCTouchDispatcher::sharedDispatcher()->addStandardDelegate(this, 0);
}

void CCLayer::setIsTouchEnabled(bool enabled) {
  if (isTouchEnabled_ == enabled) return;
  isTouchEnabled_ = enabled;
  if (!isRunning_) return;
  if (enabled) {
    registerWithTouchDispatcher();
  } else {
    CCTouchDispatcher::sharedDispatcher()->removeDelegate(this);
  }
}

void CCLayer::setIsAccelerometerEnabled(bool enabled) {
  if (isAccelerometerEnabled_ == enabled) return;
  isAccelerometerEnabled_ = enabled;
  if (!isRunning_) return;
  platform::Accelerometer::sharedAccelerometer()->setDelegate(enabled ? this : nullptr);
}

void CCLayer::onEnter() {
  if (isTouchEnabled_) registerWithTouchDispatcher();
  CCNode::onEnter();
}

void CCLayer::onEnterTransitionDidFinish() {
  if (isAccelerometerEnabled_) platform::Accelerometer::sharedAccelerometer()->setDelegate(this);
  CCNode::onEnterTransitionDidFinish();
}

void CCLayer::onExit() {
  if (isTouchEnabled_) CCTouchDispatcher::sharedDispatcher()->removeDelegate(this);
  if (isAccelerometerEnabled_) platform::Accelerometer::sharedAccelerometer()->setDelegate(nullptr);
  CCNode::onExit();
}

bool CCLayer::ccTouchBegan(platform::Touch* touch, platform::Event* event) {
  CCAssert(false, "Layer#ccTouchBegan override me");
  return true;
}
