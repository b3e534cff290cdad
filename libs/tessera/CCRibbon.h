#pragma once
// CCRibbon: a textured strip drawn through a sequence of points. Each point
// added extends the strip by one quad whose width is given per point; the
// texture runs along the strip and repeats every textureLength pixels; each
// point fades out over fadeTime seconds after it was added.

#include "platform/Object.h"
#include "platform/Ref.h"
#include "tessera/CCNode.h"
#include "tessera/CCProtocols.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccTypes.h"

#include <cstdint>
#include <string>
#include <vector>

/// Points held by one ribbon segment.
inline constexpr unsigned int kCCRibbonSegmentPoints = 50;

/// A run of up to kCCRibbonSegmentPoints points of a ribbon, each with its
/// two edge vertices, texture coordinates, colours and creation time.
class CCRibbonSegment : public platform::Object {
  PLATFORM_CLASS(CCRibbonSegment, platform::Object)

 public:
  CCRibbonSegment() = default;

  /// An empty segment (end = begin = 0, not finished). Always succeeds.
  bool init();
  /// Empties the segment for reuse: end = begin = 0, not finished.
  void reset();

  /// Fades and draws the points from `begin` to `end` at ribbon time `time`:
  /// a point older than `fadeTime` gets alpha 0 and moves `begin` past it;
  /// a younger one gets 255 × (1 − age / fadeTime). At time 0 every point
  /// draws in `color` (the current colour, no colour array). A segment whose
  /// every point has faded (begin reached kCCRibbonSegmentPoints) is marked
  /// finished and draws nothing. The caller has set up texturing and
  /// blending.
  void draw(float time, float fadeTime, ccColor4B color);

  /// "<CCRibbonSegment = ADDRESS | end = n, begin = n>".
  std::string description() const override;

  // Point i's vertices are verts[6i .. 6i+5] (x, y, z of the left edge, then
  // the right), its texture coordinates coords[4i .. 4i+3] and its colours
  // colors[8i .. 8i+7], in the same order.
  GLfloat verts[kCCRibbonSegmentPoints * 6] = {};
  GLfloat coords[kCCRibbonSegmentPoints * 4] = {};
  GLubyte colors[kCCRibbonSegmentPoints * 8] = {};
  /// The ribbon time at which each point was added.
  float creationTime[kCCRibbonSegmentPoints] = {};
  /// Every point has faded; the segment may be recycled.
  bool finished = false;
  /// Number of points stored.
  std::uint32_t end = 0;
  /// The first point not yet faded out.
  std::uint32_t begin = 0;

 protected:
  ~CCRibbonSegment() override = default;
};

/// A textured strip drawn through a sequence of points. Each point added extends
/// the strip by one quad whose width is given per point; the texture runs along
/// the strip and repeats every textureLength pixels; each point fades out over
/// fadeTime seconds after it was added.
///
/// Points are kept in fixed-size segments of kCCRibbonSegmentPoints points.
/// A full segment is followed by a new one that starts with a copy of its
/// last point, so the strip has no gap. A segment whose points have all faded
/// is marked finished when it is next drawn and is recycled the next time a
/// point is added.
///
/// Points are given in points and stored in pixels (× the content scale
/// factor), in the ribbon's own coordinates.
///
/// Time: the ribbon's clock only moves through update(dt). A ribbon that is
/// never updated draws every point in its full colour and never fades.
///
/// Cost: adding a point writes two vertices; a draw is one triangle strip per
/// segment. Segments are reused, and the segment lists keep their capacity,
/// so once a trail has reached its longest nothing is allocated per frame.
///
/// Main thread only.
class CCRibbon : public CCNode, public CCTextureProtocol {
  PLATFORM_CLASS(CCRibbon, CCNode)

 public:
  // [SECTION] Creation

  /// A new autoreleased ribbon; see initWithWidth().
  static CCRibbon* ribbonWithWidth(float width, const std::string& image, float length, ccColor4B color,
                                   float fade);
  /// A ribbon needs its parameters: use ribbonWithWidth().
  static CCRibbon* node() = delete;

  CCRibbon() = default;

  /// Node defaults; one empty segment; half width `width` / 2 for the first
  /// point; texture length `length` pixels, colour `color`, fade time `fade`
  /// seconds; blending (SRC_ALPHA, ONE_MINUS_SRC_ALPHA); the texture the
  /// texture cache gives for `image`, sampled linearly and repeating on both
  /// axes. An image that can't be loaded leaves the ribbon untextured (the
  /// cache logs why); initialisation still succeeds.
  virtual bool initWithWidth(float width, const std::string& image, float length, ccColor4B color, float fade);

  // [SECTION] Points and time

  /// Extends the strip to `location` (points) with `width` (points). The
  /// first point is only remembered; each later one adds a quad from the
  /// previous point, its edges perpendicular to the step, its texture v
  /// advanced by the step's length / textureLength.
  void addPointAt(CGPoint location, float width);
  /// Advances the ribbon's clock by `dt` seconds.
  void update(float dt) override;

  /// Draws every segment, fading points by age. Leaves the colour array
  /// enabled and blending at (ONE, ONE_MINUS_SRC_ALPHA), as it found them.
  void draw() override;

  // [SECTION] Geometry helpers

  /// (x cos r − y sin r, x sin r + y cos r): `point` turned by `rotation`
  /// radians about the origin.
  static CGPoint rotatePoint(CGPoint point, float rotation);
  /// Which side of the line through `lineStart` and `lineEnd` `point` lies
  /// on: (p.y − a.y)(a.x − b.x) − (p.x − a.x)(a.y − b.y).
  static float sideOfLine(CGPoint point, CGPoint lineStart, CGPoint lineEnd);

  // [SECTION] Properties

  /// Retained. The content size in pixels becomes the texture's.
  CCTexture2D* texture() const override { return texture_.get(); }
  void setTexture(CCTexture2D* texture) override;
  /// Default (SRC_ALPHA, ONE_MINUS_SRC_ALPHA).
  ccBlendFunc blendFunc() const override { return blendFunc_; }
  void setBlendFunc(const ccBlendFunc& blendFunc) override { blendFunc_ = blendFunc; }
  /// Pixels of strip per repetition of the texture.
  float textureLength() const { return textureLength_; }
  void setTextureLength(float length) { textureLength_ = length; }
  /// The colour every point starts with.
  ccColor4B color() const { return color_; }
  void setColor(ccColor4B color) { color_ = color; }

  /// The segments in drawing order (at least one).
  const std::vector<platform::Ref<CCRibbonSegment>>& segments() const { return segments_; }
  /// Finished segments kept for reuse.
  const std::vector<platform::Ref<CCRibbonSegment>>& deletedSegments() const { return deletedSegments_; }
  /// Seconds of ribbon time since creation.
  float currentTime() const { return curTime_; }
  /// The texture v coordinate of the last point.
  float textureVPosition() const { return texVPos_; }

 protected:
  /// dealloc: releases the segments, then the texture.
  ~CCRibbon() override;

  /// Moves finished segments other than the last to deletedSegments_ and out
  /// of segments_.
  void recycleFinishedSegments();
  /// A fresh segment: the first of deletedSegments_, reset, or a new one.
  platform::Ref<CCRibbonSegment> takeSegment();

  std::vector<platform::Ref<CCRibbonSegment>> segments_;
  std::vector<platform::Ref<CCRibbonSegment>> deletedSegments_;
  CGPoint lastPoint1_;
  CGPoint lastPoint2_;
  CGPoint lastLocation_;  // pixels
  float texVPos_ = 0.0f;
  float curTime_ = 0.0f;
  float fadeTime_ = 0.0f;
  float delta_ = 0.0f;
  float lastWidth_ = 0.0f;  // half the last width, pixels
  bool pastFirstPoint_ = false;
  platform::Ref<CCTexture2D> texture_;
  float textureLength_ = 0.0f;
  ccColor4B color_;
  ccBlendFunc blendFunc_;
};
