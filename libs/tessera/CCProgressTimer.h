#pragma once
// CCProgressTimer: a node that shows part of a sprite's image according to a
// percentage.

#include "platform/Ref.h"
#include "tessera/CCNode.h"
#include "tessera/CCSprite.h"
#include "tessera/ccTypes.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

class CCTexture2D;

/// The kinds of progress a timer shows.
enum CCProgressTimerType : std::int32_t {
  /// A sector growing counter-clockwise from 12 o'clock.
  kCCProgressTimerTypeRadialCCW = 0,
  /// A sector growing clockwise from 12 o'clock.
  kCCProgressTimerTypeRadialCW = 1,
  /// A bar growing from the left edge.
  kCCProgressTimerTypeHorizontalBarLR = 2,
  /// A bar growing from the right edge.
  kCCProgressTimerTypeHorizontalBarRL = 3,
  /// A bar growing from the bottom edge.
  kCCProgressTimerTypeVerticalBarBT = 4,
  /// A bar growing from the top edge.
  kCCProgressTimerTypeVerticalBarTB = 5,
};

/// One vertex of the timer's geometry: position (pixels), colour, texture
/// coordinate (v = 0 at the top of the image). 32 bytes.
struct ccV2F_C4F_T2F {
  ccVertex2F vertices;
  ccColor4F colors;
  ccTex2F texCoords;
};
static_assert(sizeof(ccV2F_C4F_T2F) == 32 && std::is_standard_layout_v<ccV2F_C4F_T2F>);

/// A node that shows part of a sprite's image according to a percentage.
///
/// Radial types show a sector that grows from 12 o'clock round the node's
/// anchor point; bar types show a strip that grows from one edge. The image,
/// colour, opacity, flips and blend function come from the sprite, which is
/// not a child and is never visited: the timer draws its own geometry from
/// the sprite's texture (the whole texture image, whatever the sprite's
/// rectangle). Progress actions (CCProgressTo, CCProgressFromTo) animate the
/// percentage.
///
/// Geometry: a triangle fan (radial) or a four-vertex strip (bar), positions
/// in pixels of the texture's image, rebuilt on every percentage, type or
/// sprite change. A radial fan has the anchor, 12 o'clock, every corner the
/// sector has passed and the point where the sector's edge meets the border:
/// 3 vertices at 0 %, 7 at 100 %.
///
/// Cost: the vertex array is sized once for the largest fan (7 vertices) and
/// reused; no update allocates after the first. A radial update rewrites only
/// the moving vertex while the number of passed corners stays the same.
class CCProgressTimer : public CCNode {
  PLATFORM_CLASS(CCProgressTimer, CCNode)

 public:
  // [SECTION] Creation

  /// A new autoreleased timer of the image in `filename` (through the
  /// texture cache), or nullptr (logged) when it can't be loaded.
  /// \param filename an image file, looked up like any resource.
  static CCProgressTimer* progressWithFile(const std::string& filename);
  /// A new autoreleased timer of `texture`, or nullptr without one.
  /// \param texture the texture the timer reveals.
  static CCProgressTimer* progressWithTexture(CCTexture2D* texture);

  /// initWithTexture() of the texture cache's image for `filename`.
  /// \param filename an image file, looked up like any resource.
  virtual bool initWithFile(const std::string& filename);
  /// Node init, then: a new sprite of `texture`, percentage 0, no geometry,
  /// anchor (0.5, 0.5), the sprite's content size, type radial
  /// counter-clockwise. Logs and returns false without a texture.
  /// \param texture the texture the timer reveals.
  virtual bool initWithTexture(CCTexture2D* texture);

  // [SECTION] Properties

  /// 0 to 100. Default 0.
  float percentage() const { return percentage_; }
  /// A value equal to the current one changes nothing (NaN is ignored);
  /// otherwise stores it clamped to 0..100 and rebuilds the geometry.
  void setPercentage(float percentage);

  /// Default kCCProgressTimerTypeRadialCCW.
  std::int32_t type() const { return type_; }
  /// A different type drops the geometry and rebuilds it for the new type at
  /// the current percentage. Types outside 0..5 draw nothing.
  void setType(std::int32_t type);

  /// The image source (retained).
  CCSprite* sprite() const { return sprite_.get(); }
  /// A different sprite is retained (the old one released), and the geometry
  /// is rebuilt from it at the current percentage.
  void setSprite(CCSprite* sprite);

  // [SECTION] Geometry

  /// Rebuilds the geometry of the current type: radial or bar; nothing for
  /// another type.
  void updateProgress();
  /// Gives every vertex the sprite's colour and opacity (colour times the
  /// opacity with a premultiplied-alpha texture).
  void updateColor();
  /// Corner `index` (0..3) of the unit texture square in the order the
  /// radial sector passes them: for clockwise (1, 0), (1, 1), (0, 1), (0, 0);
  /// for counter-clockwise (0, 0), (0, 1), (1, 1), (1, 0). (0, 0) for any
  /// other index or type.
  CGPoint boundaryTexCoord(std::uint32_t index) const;
  /// The position (pixels) of texture coordinate `texCoord` in the sprite's
  /// texture; (0, 0) without a texture.
  CGPoint vertexFromTexCoord(CGPoint texCoord) const;

  /// The current geometry; empty before the first percentage change.
  const std::vector<ccV2F_C4F_T2F>& vertexData() const { return vertexData_; }
  std::int32_t vertexDataCount() const { return static_cast<std::int32_t>(vertexData_.size()); }

  // [SECTION] Drawing

  /// Draws the geometry with the sprite's texture and blend function (the
  /// default blend function is restored afterwards): a triangle fan for the
  /// radial types, a strip for the bars. Nothing without geometry or sprite.
  void draw() override;

 protected:
  /// dealloc: drops the geometry, releases the sprite, then the node teardown.
  ~CCProgressTimer() override;

  void updateRadial();
  void updateBar();
  /// The largest texture coordinates of the sprite's image: (maxS, maxT).
  CGPoint textureMax() const;
  /// `texCoord` flipped as the sprite is: u = tMax.x − u, v = tMax.y − v.
  ccTex2F flipped(CGPoint texCoord, CGPoint tMax) const;
  /// Sets vertex `index` to texture coordinate `texCoord` at its position;
  /// the stored coordinate is flipped as the sprite is.
  void setVertex(std::size_t index, CGPoint texCoord, CGPoint tMax);
  /// Resizes the geometry within its reserved capacity (no allocation).
  void resizeVertexData(std::size_t count);

  std::int32_t type_ = kCCProgressTimerTypeRadialCCW;
  float percentage_ = 0.0f;
  platform::Ref<CCSprite> sprite_;  // retained
  std::vector<ccV2F_C4F_T2F> vertexData_;
};
