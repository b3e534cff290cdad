#pragma once
// CCSprite: the node that shows one textured rectangle: a whole texture, a
// rectangle of it, or a sprite frame of a sheet, with colour, opacity,
// flipping and the node transform.
//
// [SECTION] Creation
// [SECTION] Texture rectangle and frames
// [SECTION] Rendering mode and batch bookkeeping
// [SECTION] Colour and blending
// [SECTION] Node overrides
// [SECTION] Named animations

#include "platform/Geometry.h"
#include "platform/Ref.h"
#include "tessera/CCAnimation.h"
#include "tessera/CCNode.h"
#include "tessera/CCProtocols.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccTypes.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class CCSpriteBatchNode;
class CCSpriteFrame;
class CCTextureAtlas;

namespace platform {
class Image;
}

/// The atlas index of a sprite that has none (self-render mode, or batched
/// but not yet inserted).
inline constexpr std::uint32_t CCSpriteIndexNotInitialized = 0xFFFFFFFF;

/// Bits of CCSprite::honorParentTransform(): which parts of the parent
/// sprite's transform a batched child inherits.
enum : std::uint32_t {
  CC_HONOR_PARENT_TRANSFORM_TRANSLATE = 1 << 0,
  CC_HONOR_PARENT_TRANSFORM_ROTATE = 1 << 1,
  CC_HONOR_PARENT_TRANSFORM_SCALE = 1 << 2,
  CC_HONOR_PARENT_TRANSFORM_ALL = 7,
};

/// The node that shows one textured rectangle: a whole texture, a rectangle of
/// it, or a sprite frame of a sheet, with colour, opacity, flipping and the node
/// transform.
///
/// Two modes:
///  - Self-render (the default): the sprite keeps its quad in local pixel
///    coordinates and draws it itself in draw(), under the transform that
///    visit() applies.
///  - Batch: once added to a CCSpriteBatchNode (directly or below another
///    batched sprite) the quad lives in the batch node's texture atlas at
///    atlasIndex(). updateTransform() computes the vertices in the batch
///    node's space and the batch node draws every sprite in one call.
///
/// Texture coordinates: t grows downward through the image. A rotated frame
/// holds the picture turned 90 degrees clockwise in the texture; the sprite
/// maps it back upright. There is no half-texel inset.
///
/// Colours: with a premultiplied-alpha texture (the usual case) the opacity
/// is multiplied into the vertex colours and blending is (ONE,
/// ONE_MINUS_SRC_ALPHA); otherwise the colour is kept and blending is
/// (SRC_ALPHA, ONE_MINUS_SRC_ALPHA).
///
/// Cost: in batch mode a transform setter only raises a dirty flag (and those
/// of the sprite's children); each frame the batch node's pass skips clean
/// sprites and calls updateTransform() directly on dirty ones. A sprite that
/// only moved writes its four vertex positions straight into its atlas quad
/// (whose colours and texture coordinates are current) and keeps its own quad
/// in step lazily: quad() copies the positions back when read. A frame,
/// texture-rectangle or flip change makes the next pass write the whole quad.
/// Colour changes are written to the atlas at once. Nothing is allocated per
/// frame.
///
/// Main thread only.
// Aligned to a cache line: the fields a batch node's pass reads and writes
// then sit in two whole lines (the node's in the first, the sprite's in the
// fifth) instead of straddling up to four.
class alignas(64) CCSprite : public CCNode, public CCRGBAProtocol, public CCTextureProtocol {
  PLATFORM_CLASS(CCSprite, CCNode)

 public:
  /// What updateTransform() reads of a node: position and anchor point in
  /// pixels, scale, rotation in degrees, visibility.
  struct TransformValues {
    CGPoint position;
    CGPoint scale;
    float rotation = 0;
    CGPoint anchorPoint;
    bool visible = false;
  };

  // [SECTION] Creation
  // Factories return an autoreleased sprite, or nullptr when the initialiser
  // fails.

  CC_NODE_FACTORY(CCSprite)
  static CCSprite* spriteWithTexture(CCTexture2D* texture);
  static CCSprite* spriteWithTexture(CCTexture2D* texture, CGRect rect);
  static CCSprite* spriteWithFile(const std::string& filename);
  static CCSprite* spriteWithFile(const std::string& filename, CGRect rect);
  static CCSprite* spriteWithSpriteFrame(CCSpriteFrame* frame);
  /// The frame spriteFrameByName() gives for `name` (aliases included).
  static CCSprite* spriteWithSpriteFrameName(const std::string& name);
  static CCSprite* spriteWithCGImage(platform::Image* image);
  static CCSprite* spriteWithCGImage(platform::Image* image, const std::string& key);
  static CCSprite* spriteWithBatchNode(CCSpriteBatchNode* batchNode, CGRect rect);
  /// The older name of spriteWithBatchNode().
  static CCSprite* spriteWithSpriteSheet(CCSpriteBatchNode* batchNode, CGRect rect);

  CCSprite() = default;

  /// Self-render mode, no texture, an empty rectangle, opaque white, anchor
  /// point (0.5, 0.5), blending (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) as there is
  /// no texture, honorParentTransform 7, no flips, no animations. May run
  /// again on a live sprite. Always succeeds.
  bool init() override;
  /// init(), then the texture and its rectangle `rect` (points). Expects a
  /// texture ("Invalid texture for sprite"); false without one.
  virtual bool initWithTexture(CCTexture2D* texture, CGRect rect);
  /// The whole content of `texture`. Expects a texture ("Invalid texture for sprite").
  virtual bool initWithTexture(CCTexture2D* texture);
  /// The whole content of the texture CCTextureCache::addImage() gives for
  /// `filename`. Expects a name ("Invalid filename for sprite"); false when
  /// the image can't be loaded.
  virtual bool initWithFile(const std::string& filename);
  virtual bool initWithFile(const std::string& filename, CGRect rect);
  /// The frame's texture and rectangle, then setDisplayFrame(frame). Expects a
  /// frame ("Invalid spriteFrame for sprite"); false without one.
  virtual bool initWithSpriteFrame(CCSpriteFrame* frame);
  /// The frame spriteFrameByName() gives. Expects a name ("Invalid
  /// spriteFrameName for sprite"), then a frame as initWithSpriteFrame().
  virtual bool initWithSpriteFrameName(const std::string& name);
  /// The texture of a decoded image, cached under the image's address.
  /// Expects an image ("Invalid CGImageRef for sprite").
  virtual bool initWithCGImage(platform::Image* image);
  /// As above, cached under `key` (empty: not cached).
  virtual bool initWithCGImage(platform::Image* image, const std::string& key);
  /// The batch node's texture and `rect` (points), then batch mode with
  /// `batchNode` (not inserted into its atlas).
  virtual bool initWithBatchNode(CCSpriteBatchNode* batchNode, CGRect rect);
  /// The batch node's texture and `rect` (pixels, untrimmed, not rotated),
  /// then batch mode with `batchNode`. Used to re-initialise one sprite many
  /// times (tile maps).
  virtual bool initWithBatchNodeRectInPixels(CCSpriteBatchNode* batchNode, CGRect rect);
  /// The older name of initWithBatchNode().
  bool initWithSpriteSheet(CCSpriteBatchNode* batchNode, CGRect rect) { return initWithBatchNode(batchNode, rect); }

  /// "<CCSprite = ADDRESS | Rect = (x,y,w,h) | tag = t | atlasIndex = i>"
  /// (the index prints as -1 when not initialised).
  std::string description() const override;

  // [SECTION] Texture rectangle and frames

  /// setTextureRectInPixels(rect x factor, not rotated, that size).
  void setTextureRect(CGRect rect);
  /// Shows `rect` (pixels) of the texture, stored rotated or not, centred in
  /// an untrimmed box of `untrimmedSize` (the content size) and moved by the
  /// frame offset; recomputes texture coordinates and the local vertices (or
  /// marks the batch quad dirty).
  void setTextureRectInPixels(CGRect rect, bool rotated, CGSize untrimmedSize);
  /// Texture coordinates of `rect` (pixels) in the current texture (the
  /// atlas's in batch mode), honouring rotation and flips. Does nothing
  /// without a texture.
  void updateTextureCoords(CGRect rect);

  /// Shows `frame`: its offset, texture (when its GL name differs), rectangle,
  /// rotation and original size.
  void setDisplayFrame(CCSpriteFrame* frame);
  /// True when `frame`'s point rectangle equals textureRect() exactly and its
  /// texture has this sprite's texture's GL name.
  bool isFrameDisplayed(CCSpriteFrame* frame) const;
  /// A new autoreleased frame of the texture and textureRect() (no offset,
  /// not rotated, untrimmed).
  CCSpriteFrame* displayedFrame() const;

  /// Texture rectangle, points.
  CGRect textureRect() const { return rect_; }
  /// Texture rectangle, pixels.
  CGRect textureRectInPixels() const { return rectInPixels_; }
  bool textureRectRotated() const { return rectRotated_; }
  /// Lower-left corner of the drawn rectangle inside the content box, pixels.
  CGPoint offsetPositionInPixels() const { return offsetPositionInPixels_; }

  /// Mirror horizontally / vertically. Default false. A change recomputes
  /// the rectangle with the pixel rectangle's own size as the untrimmed size.
  bool flipX() const { return flipX_; }
  void setFlipX(bool flipX);
  bool flipY() const { return flipY_; }
  void setFlipY(bool flipY);

  /// The four vertices (local pixels in self-render mode, batch node space
  /// once updateTransform() has run in batch mode).
  const ccV3F_C4B_T2F_Quad& quad() const;

  // [SECTION] Rendering mode and batch bookkeeping

  /// Back to self-render mode: no atlas index, no batch node, clean, local
  /// vertices rewritten.
  void useSelfRender();
  /// Batch mode with `batchNode` and its atlas (neither retained).
  void useBatchNode(CCSpriteBatchNode* batchNode);
  /// The older name of useBatchNode().
  void useSpriteSheetRender(CCSpriteBatchNode* batchNode) { useBatchNode(batchNode); }

  /// Batch mode: recomputes the quad in the batch node's space from this
  /// sprite's transform and those of its sprite ancestors (as far as
  /// honorParentTransform allows) and writes it to the atlas, when dirty;
  /// returns at once when clean. A hidden sprite (or one with a hidden
  /// sprite ancestor) writes a quad with all positions 0. Expects batch mode
  /// ("updateTransform is only valid when CCSprite is being renderd using an
  /// CCSpriteBatchNode"). Final, so the batch node's pass calls it directly.
  virtual void updateTransform() final;
  /// Sets dirty and recursive-dirty to `dirty` on this sprite and marks every
  /// sprite below it dirty.
  void setDirtyRecursively(bool dirty);
  /// Fills `values` with this node's transform values.
  void getTransformValues(TransformValues* values) const;

  bool usesBatchNode() const { return hasBatchFlag(kUsesBatchNode); }
  void setUsesBatchNode(bool uses) { setBatchFlag(kUsesBatchNode, uses); }
  CCSpriteBatchNode* batchNode() const { return batchNode_; }
  void setBatchNode(CCSpriteBatchNode* batchNode) { batchNode_ = batchNode; }
  CCTextureAtlas* textureAtlas() const { return textureAtlas_; }
  void setTextureAtlas(CCTextureAtlas* atlas) { textureAtlas_ = atlas; }
  /// The quad's index in the atlas, or CCSpriteIndexNotInitialized.
  std::uint32_t atlasIndex() const { return atlasIndex_; }
  void setAtlasIndex(std::uint32_t index) { atlasIndex_ = index; }
  /// Batch mode: the atlas quad is stale. Setting it makes the next
  /// updateTransform() write the whole quad, colours and texture coordinates
  /// included.
  bool dirty() const { return hasBatchFlag(kDirty); }
  void setDirty(bool dirty) {
    setBatchFlag(kDirty, dirty);
    if (dirty) contentDirty_ = true;
  }
  /// CC_HONOR_PARENT_TRANSFORM_* bits. Default 7 (all).
  std::uint32_t honorParentTransform() const { return honorParentTransform_; }
  void setHonorParentTransform(std::uint32_t bits) { honorParentTransform_ = bits; }

  // [SECTION] Colour and blending (CCRGBAProtocol, CCTextureProtocol)

  /// Stores the colour; with opacityModifyRGB the vertex colour is it times
  /// opacity / 255 (truncated).
  void setColor(const ccColor3B& color) override;
  /// The colour as last set.
  ccColor3B color() const override;
  GLubyte opacity() const override { return opacity_; }
  void setOpacity(GLubyte opacity) override;
  void setOpacityModifyRGB(bool modify) override;
  bool doesOpacityModifyRGB() const override { return opacityModifyRGB_; }
  /// Writes (colour, opacity) into the four vertices; in batch mode also into
  /// the atlas at once (or marks the quad dirty before insertion).
  void updateColor();

  ccBlendFunc blendFunc() const override { return blendFunc_; }
  void setBlendFunc(const ccBlendFunc& blendFunc) override { blendFunc_ = blendFunc; }
  /// Blending and opacityModifyRGB from the texture's premultiplied-alpha
  /// flag. Expects self-render mode.
  void updateBlendFunc();

  /// The sprite's texture (retained), or nullptr.
  CCTexture2D* texture() const override;
  /// Retains `texture` and updates blending. Expects self-render mode
  /// ("CCSprite: setTexture doesn't work when the sprite is rendered using a
  /// CCSpriteBatchNode"); does nothing in batch mode.
  void setTexture(CCTexture2D* texture) override;

  // [SECTION] Node overrides

  /// Self-render drawing of the quad as one triangle strip. Expects
  /// self-render mode.
  void draw() override;

  using CCNode::addChild;
  /// In batch mode the child must be a sprite of the atlas's texture, and it
  /// (with its subtree) is inserted into the atlas in drawing order.
  void addChild(CCNode* child, std::int32_t z, std::int32_t tag) override;
  /// In batch mode the child's subtree leaves the atlas first.
  void removeChild(CCNode* child, bool cleanup) override;
  void removeAllChildrenWithCleanup(bool cleanup) override;
  /// In batch mode the child is removed and added again with `z`, taking a
  /// new place in the atlas. Expects a child of this sprite ("Child doesn't
  /// belong to Sprite"). The current z does nothing.
  void reorderChild(CCNode* child, std::int32_t z) override;

  // Each of these also marks a batched sprite (and its children) dirty.
  void setPosition(CGPoint position) override;
  void setPositionInPixels(CGPoint position) override;
  void setRotation(float rotation) override;
  void setScaleX(float scaleX) override;
  void setScaleY(float scaleY) override;
  void setScale(float scale) override;
  void setVertexZ(float vertexZ) override;
  void setAnchorPoint(CGPoint anchorPoint) override;
  void setVisible(bool visible) override;
  /// Expects a sprite that is not batched ("relativeTransformAnchor is
  /// invalid in CCSprite").
  void setIsRelativeAnchorPoint(bool relative) override;

  // [SECTION] Named animations

  /// Stores `animation` under its own name, replacing one of that name.
  /// nullptr is ignored.
  void addAnimation(CCAnimation* animation);
  /// This sprite's animation named `name`, or nullptr. Expects a name
  /// ("animationName parameter must be non nil").
  CCAnimation* animationByName(const std::string& name) const;
  /// Shows frame `index` of this sprite's animation `animationName`. Expects
  /// such a frame ("CCSprite#setDisplayFrame. Invalid frame"); an index out
  /// of range counts as none.
  void setDisplayFrame(const std::string& animationName, std::int32_t index);
  /// Shows frame `index` of the animation filed as `animationName` in the
  /// shared animation cache. Expects a name ("CCSprite#
  /// setDisplayFrameWithAnimationName. animationName must not be nil"), the
  /// animation ("CCSprite#setDisplayFrameWithAnimationName: Frame not
  /// found") and the frame ("CCSprite#setDisplayFrame. Invalid frame").
  void setDisplayFrameWithAnimationName(const std::string& animationName, std::int32_t index);

 protected:
  /// dealloc: releases the texture and the animations.
  ~CCSprite() override;

 private:
  friend class CCSpriteBatchNode;

  // The batch node's per-frame pass over its descendants (`count` sprites):
  // updateTransform() of every dirty one. Visible sprites straight in the
  // batch node whose atlas quad needs only new positions are taken four at a
  // time and written side by side (bit-identical to one at a time).
  static void updateDirtyTransforms(platform::Object* const* sprites, std::uint32_t count);
  // The atlas positions of four such sprites: sines, cosines, matrices and
  // corners computed four-wide, one sprite in each lane.
  static void writeDirectTransforms(CCSprite* const group[4]);
  // Batch mode, straight in the batch node: the quad from the node values,
  // the sine already negated (rotations turn clockwise) and the cosine.
  void writeDirectTransform(float sine, float cosine);
  // Marks a batched sprite dirty after a transform setter.
  void markDirtyForTransform();
  // The local (self-render) vertices from the offset and pixel rectangle, z 0.
  void writeLocalVertices();
  // Batch mode: the quad of a hidden sprite, written to the atlas.
  void writeHiddenQuad();
  // Batch mode: the corners of the quad under `matrix`, written to the atlas
  // (the positions alone when the rest of the atlas quad is current, the
  // whole quad otherwise); the sprite is clean afterwards.
  void writeVertices(const CGAffineTransform& matrix);
  // Copies the vertex positions of the atlas quad into quad_ when the last
  // pass wrote them only there.
  void pullVerticesFromAtlas() const;
  // Batch mode, below other sprites: the transform to the batch node's space.
  // False when there is nothing to draw (a hidden ancestor: the hidden quad is
  // written; or a non-sprite ancestor). Kept out of line, off the hot path.
  [[gnu::noinline]] bool composeNestedTransform(CGAffineTransform* matrix);

  // The batch flags, kept in the node's subclass byte beside the transform
  // values: a transform setter reads and writes them in the cache line it
  // writes anyway. kDirty: the atlas quad is stale. kRecursiveDirty: this
  // sprite and every sprite below it are already marked. kHasChildren: the
  // sprite has children to mark. kUsesBatchNode: batch mode.
  enum BatchFlag : std::uint8_t { kDirty = 1, kRecursiveDirty = 2, kHasChildren = 4, kUsesBatchNode = 8 };
  bool hasBatchFlag(BatchFlag flag) const { return (subclassFlags_ & flag) != 0; }
  void setBatchFlag(BatchFlag flag, bool on) {
    subclassFlags_ = static_cast<std::uint8_t>(on ? subclassFlags_ | flag : subclassFlags_ & ~flag);
  }
  // Clears kDirty and kRecursiveDirty.
  void markClean() { subclassFlags_ = static_cast<std::uint8_t>(subclassFlags_ & ~(kDirty | kRecursiveDirty)); }

  // What a batch node's per-frame pass reads and writes comes first, right
  // after the node's own hot fields, and the quad straight after it.
  CCTextureAtlas* textureAtlas_ = nullptr;  // weak: the batch node's
  std::uint32_t atlasIndex_ = CCSpriteIndexNotInitialized;
  // The atlas quad's colours or texture coordinates are older than quad_'s:
  // the next pass writes the whole quad.
  bool contentDirty_ = false;
  // The atlas quad's vertex positions are newer than quad_'s (the last pass
  // wrote them only there); pullVerticesFromAtlas() brings quad_ up to date.
  mutable bool verticesOnlyInAtlas_ = false;
  CCSpriteBatchNode* batchNode_ = nullptr;  // weak: it holds the sprite's root
  CGRect rectInPixels_;
  CGPoint offsetPositionInPixels_;
  mutable ccV3F_C4B_T2F_Quad quad_{};

  std::uint32_t honorParentTransform_ = CC_HONOR_PARENT_TRANSFORM_ALL;
  ccBlendFunc blendFunc_;
  platform::Ref<CCTexture2D> texture_;
  CGRect rect_;
  bool rectRotated_ = false;
  CGPoint unflippedOffsetPositionFromCenter_;
  GLubyte opacity_ = 255;
  ccColor3B color_ = ccWHITE;
  ccColor3B colorUnmodified_ = ccWHITE;
  bool opacityModifyRGB_ = false;
  bool flipX_ = false;
  bool flipY_ = false;
  std::unordered_map<std::string, platform::Ref<CCAnimation>> animations_;  // retained
};
