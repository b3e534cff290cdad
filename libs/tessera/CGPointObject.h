#pragma once
// CGPointObject: the parallax parameters of one child of a CCParallaxNode:
// the ratio of the parent's movement the child follows, the child's position
// when the parent is at the origin, and the child itself (not retained: the
// parallax node holds it as a child).

#include "platform/Geometry.h"
#include "platform/Object.h"

class CCNode;

/// The parallax parameters of one child of a CCParallaxNode: the ratio of the
/// parent's movement the child follows, the child's position when the parent is
/// at the origin, and the child itself (not retained: the parallax node holds it
/// as a child).
class CGPointObject : public platform::Object {
  PLATFORM_CLASS(CGPointObject, platform::Object)

 public:
  /// A new entry of `ratio` and `offset`, autoreleased; no child yet.
  static CGPointObject* pointWithCGPoint(CGPoint ratio, CGPoint offset);

  CGPointObject() = default;
  /// Stores both points. Always succeeds.
  bool initWithCGPoint(CGPoint ratio, CGPoint offset);

  /// Fraction of the parent's movement followed on each axis. Default (0, 0).
  CGPoint ratio() const { return ratio_; }
  void setRatio(CGPoint ratio) { ratio_ = ratio; }
  /// The child's position when the parent is at the origin. Default (0, 0).
  CGPoint offset() const { return offset_; }
  void setOffset(CGPoint offset) { offset_ = offset; }
  /// The child placed by this entry (weak). Default nullptr.
  CCNode* child() const { return child_; }
  void setChild(CCNode* child) { child_ = child; }

 private:
  CGPoint ratio_{};
  CGPoint offset_{};
  CCNode* child_ = nullptr;  // weak: the parallax node retains it as a child
};
