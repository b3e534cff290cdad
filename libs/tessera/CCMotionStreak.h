#pragma once
// CCMotionStreak: a node that leaves a fading ribbon behind itself as it
// moves. Every frame it finds where its own origin is in the world and,
// once that has moved more than minSeg points since the last point, adds a
// point there to its ribbon. The ribbon is a child placed at minus that
// position, so its points, given in world coordinates, stay where they were
// laid down while the streak moves on.

#include "platform/Ref.h"
#include "tessera/CCNode.h"
#include "tessera/CCProtocols.h"
#include "tessera/CCRibbon.h"
#include "tessera/ccTypes.h"

#include <string>

/// A node that leaves a fading ribbon behind itself as it moves. Every frame it
/// finds where its own origin is in the world and, once that has moved more than
/// minSeg points since the last point, adds a point there to its ribbon. The
/// ribbon is a child placed at minus that position, so its points, given in
/// world coordinates, stay where they were laid down while the streak moves on.
///
/// Move the streak (or an ancestor) to draw a trail; the streak's parents
/// should not be rotated or scaled, since the ribbon undoes only translation.
///
/// Cost: one world-space conversion and at most one ribbon point per frame;
/// nothing is allocated once the trail has reached its longest.
///
/// Main thread only.
class CCMotionStreak : public CCNode, public CCTextureProtocol {
  PLATFORM_CLASS(CCMotionStreak, CCNode)

 public:
  // [SECTION] Creation

  /// A new autoreleased streak; see initWithFade().
  static CCMotionStreak* streakWithFade(float fade, float minSeg, const std::string& image, float width,
                                        float length, ccColor4B color);
  /// A streak needs its parameters: use streakWithFade().
  static CCMotionStreak* node() = delete;

  CCMotionStreak() = default;

  /// Node defaults; a ribbon child of (width, image, length, color, fade)
  /// (see CCRibbon::initWithWidth); a new point whenever the streak has
  /// moved more than `minSeg` points; the per-frame update scheduled. False
  /// only when the ribbon can't be made.
  virtual bool initWithFade(float fade, float minSeg, const std::string& image, float width, float length,
                            ccColor4B color);

  /// Keeps the ribbon under the streak's world position, adds a point when
  /// the streak has moved far enough, then advances the ribbon's clock.
  void update(float dt) override;

  // [SECTION] Properties

  /// The trail (a child of this node).
  CCRibbon* ribbon() const { return ribbon_.get(); }
  /// Forwarded to the ribbon.
  CCTexture2D* texture() const override;
  void setTexture(CCTexture2D* texture) override;
  ccBlendFunc blendFunc() const override;
  void setBlendFunc(const ccBlendFunc& blendFunc) override;

 protected:
  /// dealloc: releases the ribbon.
  ~CCMotionStreak() override;

  platform::Ref<CCRibbon> ribbon_;  // retained; also a child
  float segThreshold_ = 0.0f;
  float width_ = 0.0f;
  CGPoint lastLocation_;  // points, world space
};
