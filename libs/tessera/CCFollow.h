#pragma once
// CCFollow: keeps a node in the middle of the screen by moving its ancestor.

#include "platform/Geometry.h"
#include "platform/Ref.h"
#include "tessera/CCAction.h"
#include "tessera/CCNode.h"

/// Run on the node that holds the world (typically a layer); every step sets
/// that target's position to half the window size − the followed node's
/// position, which puts the followed node at the centre of the screen.
///
/// With a world rectangle the target's position is clamped so that the
/// screen never shows anything outside the world. On an axis where the world
/// is smaller than the screen, the target is pinned to the midpoint of the two
/// limits; when the world is smaller on both axes the target is never moved.
///
/// The window size is read once, when the action is initialised: from the
/// explicit argument of the initialisers that take one, otherwise from
/// defaultWindowSize(), which the director keeps up to date with its window
/// size (480 × 320 until then).
///
/// Finishes when the followed node stops running (for example when it is
/// removed from the scene). A copy carries only the tag and follows nothing:
/// it never moves its target and is done at once.
/// Cost: a step is a subtraction and four compares; nothing is allocated.
class CCFollow : public CCAction {
  PLATFORM_CLASS(CCFollow, CCAction)

 public:
  /// A new autoreleased follow of `followedNode` (retained), without limits.
  /// \param followedNode the node to keep in the middle of the screen.
  static CCFollow* actionWithTarget(CCNode* followedNode);
  /// A new autoreleased follow of `followedNode` (retained), kept inside `rect`.
  /// \param followedNode the node to keep in the middle of the screen.
  /// \param rect the area of the world the screen stays inside.
  static CCFollow* actionWithTarget(CCNode* followedNode, CGRect rect);

  /// Base init, then follows `followedNode` without limits, centring it in a
  /// window of defaultWindowSize().
  /// \param followedNode the node to keep in the middle of the screen.
  bool initWithTarget(CCNode* followedNode);
  /// As above, in a window of `windowSize` points.
  /// \param followedNode the node to keep in the middle of the screen.
  /// \param windowSize the window's size, points.
  bool initWithTarget(CCNode* followedNode, CGSize windowSize);
  /// Base init, then follows `followedNode` and keeps the screen, a window of
  /// defaultWindowSize(), inside the world rectangle `rect`.
  /// \param followedNode the node to keep in the middle of the screen.
  /// \param rect the area of the world the screen stays inside.
  bool initWithTarget(CCNode* followedNode, CGRect rect);
  /// As above, in a window of `windowSize` points.
  /// \param followedNode the node to keep in the middle of the screen.
  /// \param rect the area of the world the screen stays inside.
  /// \param windowSize the window's size, points.
  bool initWithTarget(CCNode* followedNode, CGRect rect, CGSize windowSize);

  /// A new CCFollow (count 1) made with init(), carrying the tag only: it
  /// follows nothing.
  CCFollow* copy() const override;

  /// Moves the target (see the class comment); dt is not used. Does nothing
  /// without a followed node or a target.
  void step(float dt) override;
  /// True when the followed node is not running, or there is none.
  bool isDone() const override;
  /// Clears the target.
  void stop() override;

  /// Whether the target's position is clamped to the world rectangle.
  /// True after an initialiser with a rectangle, false otherwise.
  bool boundarySet() const { return boundarySet_; }
  void setBoundarySet(bool boundarySet) { boundarySet_ = boundarySet; }
  /// The node kept at the centre (retained), or nullptr.
  CCNode* followedNode() const { return followedNode_.get(); }

  /// The window size the initialisers without one use. Default 480 × 320.
  static CGSize defaultWindowSize();
  static void setDefaultWindowSize(CGSize size);

 protected:
  ~CCFollow() override = default;

  platform::Ref<CCNode> followedNode_;  // retained
  bool boundarySet_ = false;
  bool boundaryFullyCovered_ = false;   // the world fits the screen: never move
  CGPoint halfScreenSize_;
  CGPoint fullScreenSize_;
  float leftBoundary_ = 0.0f;    // smallest target x
  float rightBoundary_ = 0.0f;   // largest target x
  float topBoundary_ = 0.0f;     // largest target y
  float bottomBoundary_ = 0.0f;  // smallest target y
};
