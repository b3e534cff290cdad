#pragma once
// CCPlace: an instant action that puts its node at a position.

#include "platform/Geometry.h"
#include "tessera/CCActionInstant.h"

/// On start: the target node's setPosition(position). Expects a CCNode
/// target; any other target is left alone. Its reverse is a copy of itself.
class CCPlace : public CCActionInstant {
  PLATFORM_CLASS(CCPlace, CCActionInstant)

 public:
  /// A new autoreleased placement at `position` (points).
  /// \param position where the node goes.
  static CCPlace* actionWithPosition(CGPoint position);

  /// Instant init, then stores the position.
  virtual bool initWithPosition(CGPoint position);

  /// A new action of the same class (count 1) with the same position; no tag.
  CCPlace* copy() const override;

  void startWithTarget(platform::Object* target) override;

  CGPoint position() const { return position_; }

 protected:
  ~CCPlace() override = default;

  CGPoint position_;
};
