// CCNode: the scene-graph node.
//
// [SECTION] Creation and description
// [SECTION] Properties
// [SECTION] Children: add, remove, reorder
// [SECTION] Drawing: visit, transform
// [SECTION] Lifecycle
// [SECTION] Actions and scheduling
// [SECTION] Transforms and conversions

#include "tessera/CCNode.h"

#include "platform/Assert.h"
#include "platform/Touch.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCDirector.h"
#include "tessera/CCScheduler.h"
#include "tessera/Support/ccSinCos.h"
#include "tessera/ccMacros.h"

namespace {

// An affine transform as a column-major 4x4 GL matrix.
void affineToGL(const CGAffineTransform& t, GLfloat m[16]) {
  m[2] = m[3] = m[6] = m[7] = m[8] = m[9] = m[11] = m[14] = 0.0f;
  m[10] = m[15] = 1.0f;
  m[0] = t.a;
  m[4] = t.c;
  m[12] = t.tx;
  m[1] = t.b;
  m[5] = t.d;
  m[13] = t.ty;
}

bool isZero(CGPoint p) { return p.x == 0.0f && p.y == 0.0f; }

CGPoint scaled(CGPoint p, float factor) { return CGPointMake(p.x * factor, p.y * factor); }

}  // namespace

// [SECTION] Creation and description

bool CCNode::init() {
  rotation_ = 0.0f;
  scaleX_ = scaleY_ = 1.0f;
  position_ = positionInPixels_ = CGPointZero;
  anchorPoint_ = anchorPointInPixels_ = CGPointZero;
  contentSize_ = contentSizeInPixels_ = CGSizeZero;
  isRelativeAnchorPoint_ = true;
  vertexZ_ = 0.0f;
  visible_ = true;
  tag_ = kCCNodeTagInvalid;
  userData_ = nullptr;
  markTransformDirty();
  return true;
}

CCNode::~CCNode() {
  camera_ = nullptr;
  grid_ = nullptr;
  if (children_) {
    for (platform::Object* child : *children_) static_cast<CCNode*>(child)->parent_ = nullptr;
  }
  children_ = nullptr;
}

std::string CCNode::description() const {
  return std::string("<") + className() + " = " + platform::addressString(this) +
         " | Tag = " + std::to_string(tag_) + ">";
}

// [SECTION] Properties

void CCNode::setScaleX(float scaleX) {
  scaleX_ = scaleX;
  markTransformDirty();
}

void CCNode::setScaleY(float scaleY) {
  scaleY_ = scaleY;
  markTransformDirty();
}

float CCNode::scale() const {
  CCAssert(scaleX_ == scaleY_, "CCNode#scale. ScaleX != ScaleY. Don't know which one to return");
  return scaleX_;
}

void CCNode::setScale(float scale) {
  scaleX_ = scaleY_ = scale;
  markTransformDirty();
}

void CCNode::setPositionInPixels(CGPoint positionInPixels) {
  positionInPixels_ = positionInPixels;
  position_ = scaled(positionInPixels, 1.0f / CC_CONTENT_SCALE_FACTOR());
  markTransformDirty();
}

void CCNode::setAnchorPoint(CGPoint anchorPoint) {
  if (CGPointEqualToPoint(anchorPoint, anchorPoint_)) return;
  anchorPoint_ = anchorPoint;
  anchorPointInPixels_ = CGPointMake(contentSizeInPixels_.width * anchorPoint_.x,
                                     contentSizeInPixels_.height * anchorPoint_.y);
  markTransformDirty();
}

void CCNode::setContentSize(CGSize size) {
  if (CGSizeEqualToSize(size, contentSize_)) return;
  contentSize_ = size;
  float factor = CC_CONTENT_SCALE_FACTOR();
  contentSizeInPixels_ = CGSizeMake(size.width * factor, size.height * factor);
  anchorPointInPixels_ = CGPointMake(contentSizeInPixels_.width * anchorPoint_.x,
                                     contentSizeInPixels_.height * anchorPoint_.y);
  markTransformDirty();
}

void CCNode::setContentSizeInPixels(CGSize size) {
  if (CGSizeEqualToSize(size, contentSizeInPixels_)) return;
  contentSizeInPixels_ = size;
  float factor = CC_CONTENT_SCALE_FACTOR();
  contentSize_ = CGSizeMake(size.width / factor, size.height / factor);
  anchorPointInPixels_ = CGPointMake(contentSizeInPixels_.width * anchorPoint_.x,
                                     contentSizeInPixels_.height * anchorPoint_.y);
  markTransformDirty();
}

void CCNode::setIsRelativeAnchorPoint(bool relative) {
  isRelativeAnchorPoint_ = relative;
  markTransformDirty();
}

void CCNode::setVertexZ(float vertexZ) { vertexZ_ = vertexZ * CC_CONTENT_SCALE_FACTOR(); }

void CCNode::setVisible(bool visible) { visible_ = visible; }

void CCNode::setTag(std::int32_t tag) { tag_ = tag; }

void CCNode::setParent(CCNode* parent) { parent_ = parent; }

void CCNode::setGrid(CCGridBase* grid) { grid_ = grid; }

CCCamera* CCNode::camera() {
  if (!camera_) {
    auto* camera = new CCCamera();
    camera->init();
    camera_ = platform::Ref<CCCamera>::adopt(camera);
  }
  return camera_.get();
}

// [SECTION] Children: add, remove, reorder

void CCNode::childrenAlloc() {
  auto* children = new CCArray();
  children->initWithCapacity(4);
  children_ = platform::Ref<CCArray>::adopt(children);
}

void CCNode::insertChild(CCNode* child, std::int32_t z) {
  const ccArray* data = children_->data();
  std::uint32_t count = data->num;
  if (count == 0 || static_cast<CCNode*>(data->arr[count - 1])->zOrder_ <= z) {
    children_->addObject(child);
  } else {
    for (std::uint32_t index = 0; index < count; ++index) {
      if (static_cast<CCNode*>(data->arr[index])->zOrder_ > z) {
        children_->insertObject(child, index);
        break;
      }
    }
  }
  child->_setZOrder(z);
}

void CCNode::addChild(CCNode* child, std::int32_t z, std::int32_t tag) {
  CCAssert(child != nullptr, "Argument must be non-nil");
  if (!child) return;
  CCAssert(child->parent_ == nullptr, "child already added. It can't be added again");
  if (child->parent_) return;

  if (!children_) childrenAlloc();
  insertChild(child, z);
  child->setTag(tag);
  child->setParent(this);

  if (isRunning_) {
    child->onEnter();
    child->onEnterTransitionDidFinish();
  }
}

void CCNode::addChild(CCNode* child, std::int32_t z) {
  CCAssert(child != nullptr, "Argument must be non-nil");
  if (!child) return;
  addChild(child, z, child->tag_);
}

void CCNode::addChild(CCNode* child) {
  CCAssert(child != nullptr, "Argument must be non-nil");
  if (!child) return;
  addChild(child, child->zOrder_, child->tag_);
}

CCNode* CCNode::getChildByTag(std::int32_t tag) const {
  CCAssert(tag != kCCNodeTagInvalid, "Invalid tag");
  if (tag == kCCNodeTagInvalid || !children_) return nullptr;
  for (platform::Object* object : *children_) {
    auto* child = static_cast<CCNode*>(object);
    if (child->tag_ == tag) return child;
  }
  return nullptr;
}

void CCNode::removeChild(CCNode* child, bool cleanup) {
  if (!child || !children_) return;
  if (children_->containsObject(child)) detachChild(child, cleanup);
}

void CCNode::removeChildByTag(std::int32_t tag, bool cleanup) {
  CCAssert(tag != kCCNodeTagInvalid, "Invalid tag");
  if (tag == kCCNodeTagInvalid) return;
  if (CCNode* child = getChildByTag(tag)) removeChild(child, cleanup);
}

void CCNode::removeFromParentAndCleanup(bool cleanup) {
  if (parent_) parent_->removeChild(this, cleanup);
}

void CCNode::removeAllChildrenWithCleanup(bool cleanup) {
  if (!children_) return;
  // The count is re-read: a child's onExit may change its siblings.
  for (std::uint32_t index = 0; index < children_->count(); ++index) {
    auto* child = static_cast<CCNode*>(children_->data()->arr[index]);
    if (isRunning_) child->onExit();
    if (cleanup) child->cleanup();
    child->setParent(nullptr);
  }
  children_->removeAllObjects();
}

void CCNode::detachChild(CCNode* child, bool cleanup) {
  if (isRunning_) child->onExit();
  if (cleanup) child->cleanup();
  child->setParent(nullptr);
  children_->removeObject(child);  // may destroy the child
}

void CCNode::reorderChild(CCNode* child, std::int32_t z) {
  CCAssert(child != nullptr, "Child must be non-nil");
  // A node that is not our child would otherwise be inserted without a parent
  // link and be owned by two lists.
  if (!child || child->parent_ != this || !children_) return;

  platform::Ref<CCNode> keepAlive(child);
  children_->removeObject(child);
  insertChild(child, z);
}

// [SECTION] Drawing: visit, transform

void CCNode::draw() {}

void CCNode::visit() {
  if (!visible_) return;

  glPushMatrix();

  if (grid_ && grid_->active()) {
    grid_->beforeDraw();
    transformAncestors();
  }

  transform();

  if (children_) {
    // Walk the storage directly; the count is re-read on every step.
    const ccArray* data = children_->data();
    std::uint32_t index = 0;
    for (; index < data->num; ++index) {
      auto* child = static_cast<CCNode*>(data->arr[index]);
      if (child->zOrder_ >= 0) break;
      child->visit();
    }
    draw();
    for (; index < data->num; ++index) static_cast<CCNode*>(data->arr[index])->visit();
  } else {
    draw();
  }

  if (grid_ && grid_->active()) grid_->afterDraw(this);

  glPopMatrix();
}

void CCNode::transform() {
  if (isTransformGLDirty_) {
    affineToGL(nodeToParentTransform(), transformGL_);
    isTransformGLDirty_ = false;
  }
  glMultMatrixf(transformGL_);

  if (vertexZ_ != 0.0f) glTranslatef(0.0f, 0.0f, vertexZ_);

  // An active grid applies the camera itself.
  if (camera_ && !(grid_ && grid_->active())) {
    bool pivotOnAnchor = !isZero(anchorPointInPixels_);
    if (pivotOnAnchor) glTranslatef(anchorPointInPixels_.x, anchorPointInPixels_.y, 0.0f);
    camera_->locate();
    if (pivotOnAnchor) glTranslatef(-anchorPointInPixels_.x, -anchorPointInPixels_.y, 0.0f);
  }
}

void CCNode::transformAncestors() {
  if (parent_) {
    parent_->transformAncestors();
    parent_->transform();
  }
}

// [SECTION] Lifecycle

void CCNode::onEnter() {
  if (children_) {
    for (std::uint32_t index = 0; index < children_->count(); ++index)
      static_cast<CCNode*>(children_->data()->arr[index])->onEnter();
  }
  resumeSchedulerAndActions();
  isRunning_ = true;
}

void CCNode::onEnterTransitionDidFinish() {
  if (children_) {
    for (std::uint32_t index = 0; index < children_->count(); ++index)
      static_cast<CCNode*>(children_->data()->arr[index])->onEnterTransitionDidFinish();
  }
}

void CCNode::onExit() {
  pauseSchedulerAndActions();
  isRunning_ = false;
  if (children_) {
    for (std::uint32_t index = 0; index < children_->count(); ++index)
      static_cast<CCNode*>(children_->data()->arr[index])->onExit();
  }
}

void CCNode::cleanup() {
  stopAllActions();
  unscheduleAllSelectors();
  if (children_) {
    for (std::uint32_t index = 0; index < children_->count(); ++index)
      static_cast<CCNode*>(children_->data()->arr[index])->cleanup();
  }
}

// [SECTION] Actions and scheduling

CCAction* CCNode::runAction(CCAction* action) {
  CCAssert(action != nullptr, "Argument must be non-nil");
  if (!action) return nullptr;
  CCActionManager::sharedManager()->addAction(action, this, !isRunning_);
  return action;
}

void CCNode::stopAllActions() { CCActionManager::sharedManager()->removeAllActionsFromTarget(this); }

void CCNode::stopAction(CCAction* action) { CCActionManager::sharedManager()->removeAction(action); }

void CCNode::stopActionByTag(std::int32_t tag) {
  CCAssert(tag != kCCNodeTagInvalid, "Invalid tag");
  if (tag == kCCNodeTagInvalid) return;
  CCActionManager::sharedManager()->removeActionByTag(tag, this);
}

CCAction* CCNode::getActionByTag(std::int32_t tag) const {
  CCAssert(tag != kCCNodeTagInvalid, "Invalid tag");
  if (tag == kCCNodeTagInvalid) return nullptr;
  return CCActionManager::sharedManager()->getActionByTag(tag, const_cast<CCNode*>(this));
}

std::uint32_t CCNode::numberOfRunningActions() const {
  return CCActionManager::sharedManager()->numberOfRunningActionsInTarget(const_cast<CCNode*>(this));
}

void CCNode::scheduleUpdate() { scheduleUpdateWithPriority(0); }

void CCNode::scheduleUpdateWithPriority(std::int32_t priority) {
  CCScheduler::sharedScheduler()->scheduleUpdateForTarget(this, priority, !isRunning_);
}

void CCNode::unscheduleUpdate() { CCScheduler::sharedScheduler()->unscheduleUpdateForTarget(this); }

void CCNode::schedule(const platform::Selector& selector) { schedule(selector, 0.0f); }

void CCNode::schedule(const platform::Selector& selector, float interval) {
  CCAssert(!selector.isNull(), "Argument must be non-nil");
  // Written so that NaN fails as well.
  CCAssert(interval >= 0.0f, "Arguemnt must be positive");
  if (selector.isNull() || !(interval >= 0.0f)) return;
  CCScheduler::sharedScheduler()->scheduleSelector(selector, this, interval, !isRunning_);
}

void CCNode::unschedule(const platform::Selector& selector) {
  if (selector.isNull()) return;
  CCScheduler::sharedScheduler()->unscheduleSelector(selector, this);
}

void CCNode::unscheduleAllSelectors() {
  CCScheduler::sharedScheduler()->unscheduleAllSelectorsForTarget(this);
}

void CCNode::pauseSchedulerAndActions() {
  CCScheduler::sharedScheduler()->pauseTarget(this);
  CCActionManager::sharedManager()->pauseTarget(this);
}

void CCNode::resumeSchedulerAndActions() {
  CCScheduler::sharedScheduler()->resumeTarget(this);
  CCActionManager::sharedManager()->resumeTarget(this);
}

// [SECTION] Transforms and conversions

CGAffineTransform CCNode::nodeToParentTransform() const {
  if (isTransformDirty_) {
    CGAffineTransform t = CGAffineTransformIdentity;
    if (!isRelativeAnchorPoint_ && !isZero(anchorPointInPixels_))
      t = CGAffineTransformTranslate(t, anchorPointInPixels_.x, anchorPointInPixels_.y);
    if (!isZero(positionInPixels_))
      t = CGAffineTransformTranslate(t, positionInPixels_.x, positionInPixels_.y);
    if (rotation_ != 0.0f) t = ccAffineTransformRotateDegrees(t, rotation_);
    if (!(scaleX_ == 1.0f && scaleY_ == 1.0f)) t = CGAffineTransformScale(t, scaleX_, scaleY_);
    if (!isZero(anchorPointInPixels_))
      t = CGAffineTransformTranslate(t, -anchorPointInPixels_.x, -anchorPointInPixels_.y);
    transform_ = t;
    isTransformDirty_ = false;
  }
  return transform_;
}

CGAffineTransform CCNode::parentToNodeTransform() const {
  if (isInverseDirty_) {
    inverse_ = CGAffineTransformInvert(nodeToParentTransform());
    isInverseDirty_ = false;
  }
  return inverse_;
}

CGAffineTransform CCNode::nodeToWorldTransform() const {
  CGAffineTransform t = nodeToParentTransform();
  for (const CCNode* ancestor = parent_; ancestor; ancestor = ancestor->parent_)
    t = CGAffineTransformConcat(t, ancestor->nodeToParentTransform());
  return t;
}

CGAffineTransform CCNode::worldToNodeTransform() const {
  return CGAffineTransformInvert(nodeToWorldTransform());
}

CGPoint CCNode::convertToNodeSpace(CGPoint worldPoint) const {
  float factor = CC_CONTENT_SCALE_FACTOR();
  if (factor == 1.0f) return CGPointApplyAffineTransform(worldPoint, worldToNodeTransform());
  CGPoint inPixels = CGPointApplyAffineTransform(scaled(worldPoint, factor), worldToNodeTransform());
  return scaled(inPixels, 1.0f / factor);
}

CGPoint CCNode::convertToWorldSpace(CGPoint nodePoint) const {
  float factor = CC_CONTENT_SCALE_FACTOR();
  if (factor == 1.0f) return CGPointApplyAffineTransform(nodePoint, nodeToWorldTransform());
  CGPoint inPixels = CGPointApplyAffineTransform(scaled(nodePoint, factor), nodeToWorldTransform());
  return scaled(inPixels, 1.0f / factor);
}

CGPoint CCNode::convertToNodeSpaceAR(CGPoint worldPoint) const {
  CGPoint nodePoint = convertToNodeSpace(worldPoint);
  CGPoint anchor = scaled(anchorPointInPixels_, 1.0f / CC_CONTENT_SCALE_FACTOR());
  return CGPointMake(nodePoint.x - anchor.x, nodePoint.y - anchor.y);
}

CGPoint CCNode::convertToWorldSpaceAR(CGPoint nodePoint) const {
  CGPoint anchor = scaled(anchorPointInPixels_, 1.0f / CC_CONTENT_SCALE_FACTOR());
  return convertToWorldSpace(CGPointMake(nodePoint.x + anchor.x, nodePoint.y + anchor.y));
}

CGPoint CCNode::convertToWindowSpace(CGPoint nodePoint) const {
  return CCDirector::sharedDirector()->convertToUI(convertToWorldSpace(nodePoint));
}

namespace {
// The touch's location in its own view, turned into GL coordinates (points).
// A null touch is at the view's origin.
CGPoint touchLocationInGL(const platform::Touch* touch) {
  CGPoint inView = touch != nullptr ? touch->locationInView(touch->view()) : CGPointZero;
  return CCDirector::sharedDirector()->convertToGL(inView);
}
}  // namespace

CGPoint CCNode::convertTouchToNodeSpace(const platform::Touch* touch) const {
  return convertToNodeSpace(touchLocationInGL(touch));
}

CGPoint CCNode::convertTouchToNodeSpaceAR(const platform::Touch* touch) const {
  return convertToNodeSpaceAR(touchLocationInGL(touch));
}

CGRect CCNode::boundingBoxInPixels() const {
  CGRect content = CGRectMake(0.0f, 0.0f, contentSizeInPixels_.width, contentSizeInPixels_.height);
  return CGRectApplyAffineTransform(content, nodeToParentTransform());
}

CGRect CCNode::boundingBox() const { return ccRectPixelsToPoints(boundingBoxInPixels()); }
