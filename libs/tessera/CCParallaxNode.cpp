#include "tessera/CCParallaxNode.h"

#include "platform/Assert.h"
#include "tessera/CGPointObject.h"

bool CCParallaxNode::init() {
  if (!CCNode::init()) return false;
  // Running init again on a live node keeps its entries, as the children are kept.
  if (parallaxArray_ == nullptr) parallaxArray_ = ccArrayNew(5);
  lastPosition_ = CGPointMake(-100, -100);
  return true;
}

CCParallaxNode::~CCParallaxNode() { ccArrayFree(parallaxArray_); }

void CCParallaxNode::addChild(CCNode* child, std::int32_t z, CGPoint ratio, CGPoint offset) {
  CCAssert(child != nullptr, "Argument must be non-nil");
  if (child == nullptr || parallaxArray_ == nullptr) return;
  CGPointObject* entry = CGPointObject::pointWithCGPoint(ratio, offset);
  entry->setChild(child);
  ccArrayAppendObjectWithResize(parallaxArray_, entry);

  const CGPoint position = this->position();
  child->setPosition(CGPointMake(position.x * ratio.x + offset.x, position.y * ratio.y + offset.y));
  CCNode::addChild(child, z, child->tag());
}

void CCParallaxNode::addChild(CCNode*, std::int32_t, std::int32_t) {
  CCAssert(false, "ParallaxNode: use addChild:z:parallaxRatio:positionOffset instead");
}

void CCParallaxNode::removeChild(CCNode* child, bool cleanup) {
  if (parallaxArray_ != nullptr) {
    for (std::uint32_t i = 0; i < parallaxArray_->num; ++i) {
      if (static_cast<CGPointObject*>(parallaxArray_->arr[i])->child() == child) {
        ccArrayRemoveObjectAtIndex(parallaxArray_, i);
        break;
      }
    }
  }
  CCNode::removeChild(child, cleanup);
}

void CCParallaxNode::removeAllChildrenWithCleanup(bool cleanup) {
  if (parallaxArray_ != nullptr) ccArrayRemoveAllObjects(parallaxArray_);
  CCNode::removeAllChildrenWithCleanup(cleanup);
}

CGPoint CCParallaxNode::absolutePosition() const {
  CGPoint sum = position();
  for (const CCNode* ancestor = parent(); ancestor != nullptr; ancestor = ancestor->parent()) {
    sum.x += ancestor->position().x;
    sum.y += ancestor->position().y;
  }
  return sum;
}

void CCParallaxNode::visit() {
  const CGPoint p = absolutePosition();
  // Exact comparison: any movement, however small, places the children.
  if ((p.x != lastPosition_.x || p.y != lastPosition_.y) && parallaxArray_ != nullptr) {
    for (std::uint32_t i = 0; i < parallaxArray_->num; ++i) {
      const auto* entry = static_cast<const CGPointObject*>(parallaxArray_->arr[i]);
      const CGPoint ratio = entry->ratio();
      const CGPoint offset = entry->offset();
      entry->child()->setPosition(CGPointMake(-p.x + p.x * ratio.x + offset.x, -p.y + p.y * ratio.y + offset.y));
    }
    lastPosition_ = p;
  }
  CCNode::visit();
}
