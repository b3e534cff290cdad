#pragma once
// CCParallaxNode: a node whose children move at their own rates when the
// node (or any ancestor) moves, for layered backgrounds. Each child has a
// ratio and an offset; whenever the node's absolute position p (its position
// plus those of all its ancestors) has changed since the last placement, the
// next visit() puts every child at -p + p * ratio + offset, so on the screen
// it moves by ratio times the node's movement.

#include "platform/Geometry.h"
#include "tessera/CCNode.h"
#include "tessera/Support/ccCArray.h"

#include <cstdint>

/// A node whose children move at their own rates when the node (or any ancestor)
/// moves, for layered backgrounds. Each child has a ratio and an offset;
/// whenever the node's absolute position p (its position plus those of all its
/// ancestors) has changed since the last placement, the next visit() puts every
/// child at -p + p * ratio + offset, so on the screen it moves by ratio times
/// the node's movement.
///
/// Children are added only with addChild(child, z, ratio, offset); the
/// ordinary addChild fails its assertion and adds nothing.
///
/// Cost: visit() walks the ancestors once to sum their positions, and moves
/// the children only when that sum changed; nothing is allocated per frame.
class CCParallaxNode : public CCNode {
  PLATFORM_CLASS(CCParallaxNode, CCNode)

 public:
  CC_NODE_FACTORY(CCParallaxNode)

  CCParallaxNode() = default;

  /// Node initialisation, then an empty entry list and a last position of
  /// (-100, -100), so the first visit places the children unless the node is
  /// exactly there. Always succeeds.
  bool init() override;

  using CCNode::addChild;
  /// Adds `child` with its parallax `ratio` and `offset`: appends an entry,
  /// sets the child's position to (position.x * ratio.x + offset.x,
  /// position.y * ratio.y + offset.y), then adds it as a node child with `z`
  /// and its own tag. Expects a child ("Argument must be non-nil"); nothing
  /// changes when it is null.
  /// \param child the node to move with the parallax.
  /// \param z the child's z order.
  /// \param ratio how much of the parallax node's movement the child follows,
  ///   per axis (0.5: half as far, so it seems further away).
  /// \param offset the child's position when the parallax node is at (0, 0).
  void addChild(CCNode* child, std::int32_t z, CGPoint ratio, CGPoint offset);
  /// Fails the assertion "ParallaxNode: use addChild:z:parallaxRatio:positionOffset
  /// instead" and adds nothing.
  void addChild(CCNode* child, std::int32_t z, std::int32_t tag) override;

  /// Removes the child's entry (if it has one), then the node behaviour.
  void removeChild(CCNode* child, bool cleanup) override;
  /// Empties the entry list (releasing from the last entry), then the node
  /// behaviour.
  void removeAllChildrenWithCleanup(bool cleanup) override;

  /// Places the children if the absolute position changed, then the node's
  /// visit().
  void visit() override;

  /// The node's position plus the positions of all its ancestors.
  CGPoint absolutePosition() const;

  /// One CGPointObject per child added with parallax parameters, in order of
  /// addition. Never null after init().
  ccArray* parallaxArray() const { return parallaxArray_; }

 protected:
  /// dealloc: releases every entry and frees the array, then node teardown.
  ~CCParallaxNode() override;

 private:
  ccArray* parallaxArray_ = nullptr;
  CGPoint lastPosition_{-100, -100};
};
