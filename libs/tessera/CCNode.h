#pragma once
// CCNode: the base class of everything that is drawn or takes part in a scene.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Selector.h"
#include "tessera/CCCamera.h"
#include "tessera/CCGridBase.h"
#include "tessera/Support/CCArray.h"
#include "tessera/ccMacros.h"

#include <GLES/gl.h>

#include <cstdint>
#include <string>

namespace platform {
class Touch;
}  // namespace platform

class CCAction;

/// The tag of a node that has none. Lookups by tag refuse it.
inline constexpr std::int32_t kCCNodeTagInvalid = -1;

/// Declares `static ClassName* node()`: a new ClassName, init()-ed (the
/// virtual init of ClassName) and autoreleased, or nullptr when init() fails.
/// A static factory is not inherited as "the receiving class", so every node
/// class puts this in a public section of its body; without it
/// `HelloWorld::node()` would build a plain CCNode.
#define CC_NODE_FACTORY(ClassName)                                                         \
  static ClassName* node() {                                                               \
    return ::platform::createAutoreleased<ClassName>([](ClassName& n) { return n.init(); }); \
  }

/// The base class of everything that is drawn or takes part in a scene.
///
/// A node has a local transform (position, rotation, scale, anchor point), a
/// size, a z order among its siblings, an integer tag, an ordered list of
/// children that it owns and a weak link to its parent. visit() draws the
/// subtree: children with negative z, then the node itself, then the rest.
/// A node also fronts the scheduler and the action manager for itself, and
/// pauses or resumes its callbacks and actions as it leaves or enters a running
/// scene.
///
/// Points and pixels: positions and sizes are kept in both (pixels = points x
/// the content scale factor, see ccMacros.h). Transforms are computed in pixels;
/// the conversions take and return points.
///
/// Cost: the node-to-parent transform, its inverse and its GL matrix are
/// cached, each behind its own dirty flag that the setters raise, and neutral
/// steps (no translation, no rotation, unit scale) are skipped when composing.
/// A node that does not move costs one glMultMatrixf per frame. Children are
/// kept sorted by z when inserted, so visit() never sorts, and visit() and
/// transform() allocate nothing.
///
/// Main thread only.
class CCNode : public platform::Object {
  PLATFORM_CLASS(CCNode, platform::Object)

 public:
  // [SECTION] Creation

  CC_NODE_FACTORY(CCNode)

  CCNode() = default;

  /// Sets the defaults: rotation 0, scale 1, position (0, 0), anchor (0, 0),
  /// relative anchor point, content size (0, 0), vertexZ 0, visible, tag -1,
  /// no user data, all caches dirty. On a live node (init run again) the
  /// children, parent, z order, running state, camera and grid are kept, so
  /// the tree stays consistent. Always succeeds.
  virtual bool init();

  /// "<ClassName = ADDRESS | Tag = tag>".
  std::string description() const override;

  // [SECTION] Properties
  // Every setter below except setVertexZ, setVisible, setTag, setUserData and
  // setParent marks the three transform caches dirty. Setters are virtual so
  // that subclasses can track changes (a sprite marks its quad dirty).

  /// Degrees; positive turns clockwise on screen. Default 0.
  float rotation() const { return rotation_; }
  virtual void setRotation(float rotation) {
    rotation_ = rotation;
    markTransformDirty();
  }

  /// Default 1.
  float scaleX() const { return scaleX_; }
  virtual void setScaleX(float scaleX);
  /// Default 1.
  float scaleY() const { return scaleY_; }
  virtual void setScaleY(float scaleY);
  /// The common scale. Expects scaleX == scaleY ("CCNode#scale. ScaleX !=
  /// ScaleY. Don't know which one to return"); returns scaleX either way.
  float scale() const;
  /// Sets both scales.
  virtual void setScale(float scale);

  /// Position in the parent, points. Default (0, 0).
  CGPoint position() const { return position_; }
  /// Also sets positionInPixels = position x factor.
  virtual void setPosition(CGPoint position) {
    position_ = position;
    const float factor = CC_CONTENT_SCALE_FACTOR();
    positionInPixels_ = CGPointMake(position.x * factor, position.y * factor);
    markTransformDirty();
  }
  /// Position in the parent, pixels. Default (0, 0).
  CGPoint positionInPixels() const { return positionInPixels_; }
  /// Also sets position = pixels x (1 / factor).
  virtual void setPositionInPixels(CGPoint positionInPixels);

  /// The anchor as a fraction of the content size; rotation and scale pivot
  /// on it. Default (0, 0).
  CGPoint anchorPoint() const { return anchorPoint_; }
  /// The current value (both components equal) changes nothing, not even the
  /// caches; otherwise also recomputes anchorPointInPixels.
  virtual void setAnchorPoint(CGPoint anchorPoint);
  /// contentSizeInPixels x anchorPoint, component-wise.
  CGPoint anchorPointInPixels() const { return anchorPointInPixels_; }

  /// Untransformed size, points. Default (0, 0).
  CGSize contentSize() const { return contentSize_; }
  /// The current value changes nothing; otherwise also sets the size in
  /// pixels (x factor) and recomputes anchorPointInPixels.
  virtual void setContentSize(CGSize size);
  /// Untransformed size, pixels. Default (0, 0).
  CGSize contentSizeInPixels() const { return contentSizeInPixels_; }
  /// The current value changes nothing; otherwise also sets the size in
  /// points (/ factor) and recomputes anchorPointInPixels.
  virtual void setContentSizeInPixels(CGSize size);

  /// True (default): the anchor point lands on the position. False: the
  /// node's origin lands on the position (rotation and scale still pivot on
  /// the anchor point).
  bool isRelativeAnchorPoint() const { return isRelativeAnchorPoint_; }
  virtual void setIsRelativeAnchorPoint(bool relative);

  /// Depth handed to GL, pixels (not divided back by the factor). Default 0.
  float vertexZ() const { return vertexZ_; }
  /// Stores z x factor. Does not touch the transform caches.
  virtual void setVertexZ(float vertexZ);

  /// A hidden node draws nothing of its subtree; its callbacks and actions
  /// and those of its children still run. Default true.
  bool visible() const { return visible_; }
  virtual void setVisible(bool visible);

  /// The caller's identifier. Default kCCNodeTagInvalid (-1).
  std::int32_t tag() const { return tag_; }
  virtual void setTag(std::int32_t tag);

  /// Never touched by the engine. Default nullptr.
  void* userData() const { return userData_; }
  void setUserData(void* userData) { userData_ = userData; }

  /// The parent, not retained (it retains this node). Default nullptr.
  CCNode* parent() const { return parent_; }
  /// Stores the link only; adding and removing children set it.
  virtual void setParent(CCNode* parent);

  /// The grid this node draws through while it is active. Default nullptr.
  CCGridBase* grid() const { return grid_.get(); }
  /// Retains the new grid, then releases the old one.
  void setGrid(CCGridBase* grid);

  /// The node's camera, made on the first call. Owned by the node. A new
  /// camera is clean and changes nothing until one of its setters is used.
  CCCamera* camera();

  /// The children in drawing order, or nullptr before the first child.
  CCArray* children() const { return children_.get(); }
  /// Order among siblings, set only by the parent. Default 0.
  std::int32_t zOrder() const { return zOrder_; }
  /// True between onEnter() and onExit(): the node is in a running scene.
  bool isRunning() const { return isRunning_; }

  // [SECTION] Children
  // Subclasses that override or add an overload of addChild/removeChild bring
  // the others back with `using CCNode::addChild;`.

  /// Inserts `child` among the children by z (after every sibling with the
  /// same z), sets its tag and parent and, when this node is running, sends
  /// it onEnter() then onEnterTransitionDidFinish(). Expects a child
  /// ("Argument must be non-nil") that has no parent ("child already added.
  /// It can't be added again"); nothing changes when either fails.
  virtual void addChild(CCNode* child, std::int32_t z, std::int32_t tag);
  /// addChild(child, z, child->tag()).
  void addChild(CCNode* child, std::int32_t z);
  /// addChild(child, child->zOrder(), child->tag()).
  void addChild(CCNode* child);

  /// The first child, in drawing order, whose tag is `tag`, or nullptr.
  /// Expects tag != -1 ("Invalid tag"); returns nullptr when it is.
  CCNode* getChildByTag(std::int32_t tag) const;

  /// Detaches `child`: onExit() if this node is running, cleanup() if asked,
  /// parent cleared, then released (it may be destroyed here). nullptr, or a
  /// node that is not a child of this one, is ignored.
  virtual void removeChild(CCNode* child, bool cleanup);
  /// removeChild of the first child with `tag`; a missing tag is ignored.
  /// Expects tag != -1 ("Invalid tag").
  void removeChildByTag(std::int32_t tag, bool cleanup);
  /// The parent's removeChild(this, cleanup). Nothing without a parent.
  void removeFromParentAndCleanup(bool cleanup);
  /// Detaches every child (onExit if running, cleanup if asked, parent
  /// cleared, in index order), then releases them all in one step.
  virtual void removeAllChildrenWithCleanup(bool cleanup);
  /// Moves `child` to its place for `z`, after every sibling that already has
  /// z. Its running state, tag and parent are untouched. Expects a child
  /// ("Child must be non-nil"); a node that is not a child of this one is
  /// ignored.
  virtual void reorderChild(CCNode* child, std::int32_t z);

  // [SECTION] Drawing

  /// Draws the node itself in its own coordinates. Does nothing; subclasses
  /// draw here.
  virtual void draw();
  /// Draws the subtree unless hidden: pushes the GL matrix, applies
  /// transform(), visits the children with z < 0, draw(), visits the rest,
  /// pops. With an active grid the drawing goes through the grid.
  virtual void visit();
  /// Multiplies the GL model-view matrix by the node-to-parent transform,
  /// then translates by vertexZ and applies the camera (unless an active grid
  /// owns the camera).
  virtual void transform();
  /// transform() of every ancestor, root first.
  void transformAncestors();

  // [SECTION] Lifecycle

  /// Sends onEnter() to the children, resumes this node's callbacks and
  /// actions, then marks it running (so children enter before their parent
  /// is running).
  virtual void onEnter();
  /// Sends onEnterTransitionDidFinish() to the children.
  virtual void onEnterTransitionDidFinish();
  /// Pauses this node's callbacks and actions, marks it not running, then
  /// sends onExit() to the children.
  virtual void onExit();
  /// Stops all actions and unschedules all callbacks of this node, then of
  /// its children, recursively.
  virtual void cleanup();

  // [SECTION] Actions (the shared action manager, for this node)

  /// Runs `action` on this node, paused while the node is not running.
  /// Returns the action. Expects an action ("Argument must be non-nil");
  /// returns nullptr without one.
  CCAction* runAction(CCAction* action);
  void stopAllActions();
  void stopAction(CCAction* action);
  /// Expects tag != -1 ("Invalid tag"); does nothing when it is.
  void stopActionByTag(std::int32_t tag);
  /// Expects tag != -1 ("Invalid tag"); returns nullptr when it is.
  CCAction* getActionByTag(std::int32_t tag) const;
  std::uint32_t numberOfRunningActions() const;

  // [SECTION] Scheduling (the shared scheduler, for this node)
  // Callbacks registered while the node is not running are registered paused;
  // onEnter() resumes them and onExit() pauses them. cleanup() removes them.

  /// scheduleUpdateWithPriority(0).
  void scheduleUpdate();
  /// Calls update(dt) every frame in the band of `priority`.
  void scheduleUpdateWithPriority(std::int32_t priority);
  void unscheduleUpdate();
  /// schedule(selector, 0): every frame.
  void schedule(const platform::Selector& selector);
  /// Calls `selector` every `interval` seconds. Expects a selector ("Argument
  /// must be non-nil") and interval >= 0 ("Arguemnt must be positive"; NaN
  /// fails too); nothing is scheduled when either fails.
  void schedule(const platform::Selector& selector, float interval);
  /// A null selector is ignored.
  void unschedule(const platform::Selector& selector);
  /// Removes every timer and the per-frame update of this node.
  void unscheduleAllSelectors();
  /// Pauses this node's timers, update and actions.
  void pauseSchedulerAndActions();
  void resumeSchedulerAndActions();

  // [SECTION] Transforms and conversions

  /// Node space to parent space, pixels. Cached.
  CGAffineTransform nodeToParentTransform() const;
  /// The inverse of nodeToParentTransform. Cached. A node scaled to 0 has no
  /// inverse; the result is then finite but meaningless.
  CGAffineTransform parentToNodeTransform() const;
  /// Node space to world space (through every ancestor), pixels. Not cached.
  CGAffineTransform nodeToWorldTransform() const;
  /// The inverse of nodeToWorldTransform. Not cached.
  CGAffineTransform worldToNodeTransform() const;

  /// A world point (points) in this node's space (points).
  CGPoint convertToNodeSpace(CGPoint worldPoint) const;
  /// A point of this node (points) in world space (points).
  CGPoint convertToWorldSpace(CGPoint nodePoint) const;
  /// convertToNodeSpace, relative to the anchor point.
  CGPoint convertToNodeSpaceAR(CGPoint worldPoint) const;
  /// convertToWorldSpace of a point given relative to the anchor point.
  CGPoint convertToWorldSpaceAR(CGPoint nodePoint) const;
  /// A point of this node (points) in the GL view's coordinates (points,
  /// origin at the top left, y down): convertToWorldSpace, then the
  /// director's convertToUI.
  CGPoint convertToWindowSpace(CGPoint nodePoint) const;
  /// Where `touch` is in this node's space (points): the touch's location in
  /// its own view, the director's convertToGL, then convertToNodeSpace.
  /// A null touch counts as one at the view's origin.
  CGPoint convertTouchToNodeSpace(const platform::Touch* touch) const;
  /// convertTouchToNodeSpace, relative to the anchor point.
  CGPoint convertTouchToNodeSpaceAR(const platform::Touch* touch) const;

  /// The content rectangle in the parent's space, points.
  CGRect boundingBox() const;
  /// The content rectangle (0, 0, contentSizeInPixels) in the parent's
  /// space, pixels.
  CGRect boundingBoxInPixels() const;

 protected:
  /// dealloc: releases the camera and the grid, clears the parent link of
  /// every child in index order, then releases the children. Makes no virtual
  /// calls and does not call cleanup().
  ~CCNode() override;

  /// Raises the three transform cache flags.
  void markTransformDirty() { isTransformDirty_ = isInverseDirty_ = isTransformGLDirty_ = true; }
  /// Creates the children array (capacity 4).
  void childrenAlloc();
  /// Puts `child` into the children array by z and sets its z order: appended
  /// when z >= the last child's z, otherwise before the first child whose z
  /// is greater. Expects the array to exist.
  void insertChild(CCNode* child, std::int32_t z);
  /// onExit if running, cleanup if asked, parent cleared, removed from the
  /// array (which may destroy it). Expects `child` to be a child.
  void detachChild(CCNode* child, bool cleanup);
  /// Stores the z order without moving the node among its siblings.
  void _setZOrder(std::int32_t z) { zOrder_ = z; }

  // What a moving sprite touches every frame comes first, so that it shares
  // one cache line with the object header.
  float rotation_ = 0.0f;
  float scaleX_ = 1.0f;
  float scaleY_ = 1.0f;
  float vertexZ_ = 0.0f;
  CGPoint position_;
  CGPoint positionInPixels_;
  CGPoint anchorPointInPixels_;
  bool visible_ = true;
  mutable bool isTransformDirty_ : 1 = true;
  mutable bool isInverseDirty_ : 1 = true;
  mutable bool isTransformGLDirty_ : 1 = true;
  // A byte of flags a subclass may keep beside the transform values, so that
  // its transform setters write this one cache line (a sprite keeps its batch
  // state here). The node itself never reads or writes it.
  std::uint8_t subclassFlags_ = 0;
  CCNode* parent_ = nullptr;  // weak: the parent retains us

  CGPoint anchorPoint_;
  CGSize contentSize_;
  CGSize contentSizeInPixels_;
  bool isRelativeAnchorPoint_ = true;
  bool isRunning_ = false;
  std::int32_t zOrder_ = 0;
  std::int32_t tag_ = kCCNodeTagInvalid;

  // Caches of the node-to-parent transform, its inverse and its GL matrix.
  mutable CGAffineTransform transform_;
  mutable CGAffineTransform inverse_;
  mutable GLfloat transformGL_[16] = {};

  platform::Ref<CCCamera> camera_;   // owned, made on first use
  platform::Ref<CCGridBase> grid_;   // retained
  platform::Ref<CCArray> children_;  // retains each child; nullptr before the first
  void* userData_ = nullptr;
};
