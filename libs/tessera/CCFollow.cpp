#include "tessera/CCFollow.h"

namespace {

CGSize g_defaultWindowSize{480.0f, 320.0f};

// The first operand wins ties and NaN comparisons, in both helpers.
float maxFirst(float a, float b) { return a > b ? a : b; }
float minFirst(float a, float b) { return a < b ? a : b; }

}  // namespace

CGSize CCFollow::defaultWindowSize() { return g_defaultWindowSize; }

void CCFollow::setDefaultWindowSize(CGSize size) { g_defaultWindowSize = size; }

CCFollow* CCFollow::actionWithTarget(CCNode* followedNode) {
  return platform::createAutoreleased<CCFollow>(
      [&](CCFollow& follow) { return follow.initWithTarget(followedNode); });
}

CCFollow* CCFollow::actionWithTarget(CCNode* followedNode, CGRect rect) {
  return platform::createAutoreleased<CCFollow>(
      [&](CCFollow& follow) { return follow.initWithTarget(followedNode, rect); });
}

bool CCFollow::initWithTarget(CCNode* followedNode) {
  return initWithTarget(followedNode, defaultWindowSize());
}

bool CCFollow::initWithTarget(CCNode* followedNode, CGSize windowSize) {
  if (!CCAction::init()) return false;
  followedNode_ = followedNode;
  boundarySet_ = false;
  boundaryFullyCovered_ = false;
  fullScreenSize_ = CGPointMake(windowSize.width, windowSize.height);
  halfScreenSize_ = CGPointMake(fullScreenSize_.x * 0.5f, fullScreenSize_.y * 0.5f);
  leftBoundary_ = rightBoundary_ = topBoundary_ = bottomBoundary_ = 0.0f;
  return true;
}

bool CCFollow::initWithTarget(CCNode* followedNode, CGRect rect) {
  return initWithTarget(followedNode, rect, defaultWindowSize());
}

bool CCFollow::initWithTarget(CCNode* followedNode, CGRect rect, CGSize windowSize) {
  if (!initWithTarget(followedNode, windowSize)) return false;
  boundarySet_ = true;

  // The target's position p shows the world point −p at the bottom-left of
  // the screen; these limits keep the whole screen inside the rectangle.
  leftBoundary_ = -((rect.origin.x + rect.size.width) - fullScreenSize_.x);
  rightBoundary_ = -rect.origin.x;
  topBoundary_ = -rect.origin.y;
  bottomBoundary_ = -((rect.origin.y + rect.size.height) - fullScreenSize_.y);

  if (leftBoundary_ > rightBoundary_) {  // narrower than the screen: centre it
    leftBoundary_ = rightBoundary_ = (leftBoundary_ + rightBoundary_) * 0.5f;
  }
  if (bottomBoundary_ > topBoundary_) {  // lower than the screen: centre it
    topBoundary_ = bottomBoundary_ = (topBoundary_ + bottomBoundary_) * 0.5f;
  }
  if (topBoundary_ == bottomBoundary_ && leftBoundary_ == rightBoundary_) boundaryFullyCovered_ = true;
  return true;
}

CCFollow* CCFollow::copy() const { return static_cast<CCFollow*>(CCAction::copy()); }

void CCFollow::step(float dt) {
  auto* target = static_cast<CCNode*>(target_);
  if (!target || !followedNode_) return;

  const CGPoint followed = followedNode_->position();
  const CGPoint p = CGPointMake(halfScreenSize_.x - followed.x, halfScreenSize_.y - followed.y);
  if (boundarySet_) {
    if (boundaryFullyCovered_) return;
    target->setPosition(CGPointMake(minFirst(maxFirst(p.x, leftBoundary_), rightBoundary_),
                                    minFirst(maxFirst(p.y, bottomBoundary_), topBoundary_)));
  } else {
    target->setPosition(p);
  }
}

bool CCFollow::isDone() const { return !followedNode_ || !followedNode_->isRunning(); }

void CCFollow::stop() {
  target_ = nullptr;
  CCAction::stop();
}
