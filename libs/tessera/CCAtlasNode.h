#pragma once
// CCAtlasNode: a node that draws cells of a grid-cut image (the tile file)
// through one texture atlas; every item of the node is one quad whose
// texture coordinates pick one cell.

#include "platform/Ref.h"
#include "tessera/CCNode.h"
#include "tessera/CCProtocols.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/ccTypes.h"

#include <string>

/// A node that draws cells of a grid-cut image (the tile file) through one
/// texture atlas; every item of the node is one quad whose texture coordinates
/// pick one cell.
///
/// The cell size is given in points and kept in pixels (× the content scale
/// factor). The grid is counted on the image's own size, not on the
/// power-of-two size of its texture. Subclasses fill the quads in
/// updateAtlasValues(); this class only draws them.
///
/// Colours: the quads' vertex colours are ignored; the whole node draws in one
/// colour and opacity. With a premultiplied-alpha texture (the usual case)
/// the opacity is multiplied into that colour and blending is (ONE,
/// ONE_MINUS_SRC_ALPHA); otherwise the colour is kept and blending is
/// (SRC_ALPHA, ONE_MINUS_SRC_ALPHA).
///
/// Cost: one glDrawElements per draw, nothing allocated per frame.
///
/// Main thread only.
class CCAtlasNode : public CCNode, public CCRGBAProtocol, public CCTextureProtocol {
  PLATFORM_CLASS(CCAtlasNode, CCNode)

 public:
  // [SECTION] Creation

  /// A new autoreleased node, or nullptr when the tile file can't be loaded.
  static CCAtlasNode* atlasWithTileFile(const std::string& tile, int tileWidth, int tileHeight, int itemsToRender);

  /// An atlas node needs a tile file: use atlasWithTileFile().
  static CCAtlasNode* node() = delete;

  CCAtlasNode() = default;

  /// Node defaults; cells of tileWidth × tileHeight points; opaque white;
  /// an atlas of room for `itemsToRender` quads (a negative count is 0) on
  /// the texture the texture cache gives for `tile`; blending and
  /// opacityModifyRGB from that texture; the grid counted. False when the
  /// tile file can't be loaded.
  virtual bool initWithTileFile(const std::string& tile, int tileWidth, int tileHeight, int itemsToRender);

  // [SECTION] Quads

  /// Fills the quads. Abstract: this class throws platform::Exception named
  /// "CCAtlasNode:Abstract" with the reason "updateAtlasValue not overriden".
  virtual void updateAtlasValues();

  /// Draws every quad of the atlas in (color, opacity), ignoring the vertex
  /// colours. Leaves the colour array enabled and blending at (ONE,
  /// ONE_MINUS_SRC_ALPHA), as it found them.
  void draw() override;

  // [SECTION] Properties

  /// The atlas holding the quads and the texture (retained).
  CCTextureAtlas* textureAtlas() const { return textureAtlas_.get(); }
  void setTextureAtlas(CCTextureAtlas* atlas);
  /// Cells per row and per column of the image; 0 when a cell is larger than
  /// the image.
  int itemsPerRow() const { return itemsPerRow_; }
  int itemsPerColumn() const { return itemsPerColumn_; }
  /// Cell size in pixels.
  int itemWidth() const { return itemWidth_; }
  int itemHeight() const { return itemHeight_; }

  // [SECTION] Colour and blending (CCRGBAProtocol, CCTextureProtocol)

  /// Stores the colour; with opacityModifyRGB the colour drawn is it times
  /// opacity / 255 (truncated).
  void setColor(const ccColor3B& color) override;
  /// The colour as last set.
  ccColor3B color() const override;
  GLubyte opacity() const override { return opacity_; }
  void setOpacity(GLubyte opacity) override;
  void setOpacityModifyRGB(bool modify) override;
  bool doesOpacityModifyRGB() const override { return opacityModifyRGB_; }
  /// The colour actually drawn (premultiplied by the opacity when
  /// opacityModifyRGB is on).
  ccColor3B displayedColor() const { return color_; }

  ccBlendFunc blendFunc() const override { return blendFunc_; }
  void setBlendFunc(const ccBlendFunc& blendFunc) override { blendFunc_ = blendFunc; }
  /// The atlas's texture, or nullptr.
  CCTexture2D* texture() const override;
  /// Gives the atlas `texture`, then takes blending and opacityModifyRGB
  /// from it.
  void setTexture(CCTexture2D* texture) override;

 protected:
  /// dealloc: releases the atlas.
  ~CCAtlasNode() override;

  /// Counts the whole cells in the image's own size (pixels).
  void calculateMaxItems();
  /// (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) when the texture lacks premultiplied
  /// alpha; otherwise the blend function stays.
  void updateBlendFunc();
  /// opacityModifyRGB = the texture's premultiplied-alpha flag.
  void updateOpacityModifyRGB();
  /// Draws the first `count` quads with the node's colour and blending.
  void drawAtlasQuads(unsigned int count);

  platform::Ref<CCTextureAtlas> textureAtlas_;
  int itemsPerRow_ = 0;
  int itemsPerColumn_ = 0;
  int itemWidth_ = 0;
  int itemHeight_ = 0;
  ccBlendFunc blendFunc_;
  GLubyte opacity_ = 255;
  ccColor3B color_ = ccWHITE;
  ccColor3B colorUnmodified_ = ccWHITE;
  bool opacityModifyRGB_ = false;
};
