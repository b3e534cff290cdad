#pragma once
// CCSpriteBatchNode: draws every sprite below it with one texture and one
// draw call.

#include "platform/Ref.h"
#include "tessera/CCNode.h"
#include "tessera/CCProtocols.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/Support/CCArray.h"
#include "tessera/ccTypes.h"

#include <cstdint>
#include <string>

class CCSprite;

/// The capacity of a batch node made without one.
inline constexpr std::uint32_t kCCSpriteBatchNodeDefaultCapacity = 29;

/// Draws every sprite below it with one texture and one draw call.
///
/// Each sprite of the subtree keeps its quad in the batch node's texture atlas
/// at its atlas index. The atlas order is the drawing order, so the indices
/// follow the order node visiting would draw the sprites: depth first,
/// children with negative z before their parent, the others after it,
/// siblings in child order. descendants() lists the sprites by atlas index
/// (descendants()[i] has index i), and the atlas holds as many quads as there
/// are descendants (except for sprites added through addQuadFromSprite() and
/// addSpriteWithoutQuad(), whose callers manage the indices themselves).
///
/// Children are never visited: visit() applies the batch node's own
/// transform and draw() lets every dirty sprite rebuild its quad in the batch
/// node's space, then draws the atlas.
///
/// Capacity starts at the given number of quads (default 29) and grows to
/// (capacity + 1) x 4 / 3 whenever the atlas is full, up to the atlas's
/// capacityLimit() (by default kCCTextureAtlasMaxCapacity, 16384). It never
/// shrinks.
///
/// Cost: adding or removing a sprite moves the atlas tail once and renumbers
/// the sprites after it. Per frame, draw() tests each descendant's dirty
/// flag and calls only the dirty ones, then makes one glDrawElements; nothing
/// is allocated.
///
/// Main thread only.
class CCSpriteBatchNode : public CCNode, public CCTextureProtocol {
  PLATFORM_CLASS(CCSpriteBatchNode, CCNode)

 public:
  // [SECTION] Creation. Factories return autoreleased batch nodes, or nullptr.

  /// A batch node on the texture the texture cache gives for `file`.
  static CCSpriteBatchNode* batchNodeWithFile(const std::string& file,
                                              std::uint32_t capacity = kCCSpriteBatchNodeDefaultCapacity);
  static CCSpriteBatchNode* batchNodeWithTexture(CCTexture2D* texture,
                                                 std::uint32_t capacity = kCCSpriteBatchNodeDefaultCapacity);
  /// The older names of batchNodeWithFile() and batchNodeWithTexture().
  static CCSpriteBatchNode* spriteSheetWithFile(const std::string& file,
                                                std::uint32_t capacity = kCCSpriteBatchNodeDefaultCapacity);
  static CCSpriteBatchNode* spriteSheetWithTexture(CCTexture2D* texture,
                                                   std::uint32_t capacity = kCCSpriteBatchNodeDefaultCapacity);

  CCSpriteBatchNode() = default;

  /// Node defaults; an atlas of `capacity` quads on `texture` (which may be
  /// null: nothing then draws); blending (ONE, ONE_MINUS_SRC_ALPHA), or
  /// (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) for a texture without premultiplied
  /// alpha. False when the atlas can't be made (capacity above the atlas's
  /// limit, or out of memory).
  virtual bool initWithTexture(CCTexture2D* texture, std::uint32_t capacity);
  /// initWithTexture() with CCTextureCache::addImage(file); a file that can't
  /// be loaded gives a batch node without a texture.
  virtual bool initWithFile(const std::string& file, std::uint32_t capacity);

  /// "<CCSpriteBatchNode = ADDRESS | Tag = t>".
  std::string description() const override;

  // [SECTION] Properties

  /// The atlas holding the quads (retained).
  CCTextureAtlas* textureAtlas() const { return textureAtlas_.get(); }
  void setTextureAtlas(CCTextureAtlas* atlas);
  /// Every sprite of the subtree, by atlas index.
  CCArray* descendants() const { return descendants_.get(); }

  /// The atlas's texture.
  CCTexture2D* texture() const override;
  /// Replaces the atlas's texture, then updateBlendFunc().
  void setTexture(CCTexture2D* texture) override;
  ccBlendFunc blendFunc() const override { return blendFunc_; }
  void setBlendFunc(const ccBlendFunc& blendFunc) override { blendFunc_ = blendFunc; }
  /// (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) when the texture lacks premultiplied
  /// alpha; otherwise leaves the blend function alone.
  void updateBlendFunc();

  // [SECTION] Children

  using CCNode::addChild;
  /// Adds sprite `child` (with its subtree) and inserts its quads at their
  /// place in drawing order. Expects a sprite ("CCSpriteBatchNode only
  /// supports CCSprites as children") of the atlas's texture, compared by GL
  /// name ("CCSprite is not using the same texture id").
  void addChild(CCNode* child, std::int32_t z, std::int32_t tag) override;
  /// Takes `child`'s subtree out of the atlas, then removes it. nullptr is
  /// ignored; expects a child ("CCSpriteBatchNode doesn't contain the
  /// sprite. Can't remove it").
  void removeChild(CCNode* child, bool cleanup) override;
  /// removeChild() of the child at `index` of children().
  void removeChildAtIndex(std::uint32_t index, bool cleanup);
  /// Every sprite of the subtree back to self-render mode, children removed,
  /// the atlas emptied.
  void removeAllChildrenWithCleanup(bool cleanup) override;
  /// Removes `child` and adds it again with `z`, so its subtree takes new
  /// atlas indices. Expects a child ("Child doesn't belong to Sprite"). The
  /// current z does nothing.
  void reorderChild(CCNode* child, std::int32_t z) override;

  // [SECTION] Atlas bookkeeping

  /// Puts `sprite` into batch mode at atlas index `index`, inserts its quad
  /// and its place in descendants() (renumbering the sprites after it), then
  /// inserts its children in drawing order. Grows the atlas when full.
  void insertChildInAtlasAtIndex(CCSprite* sprite, std::uint32_t index);
  /// Removes `sprite`'s quad and those of its subtree, renumbers the sprites
  /// after them and puts the subtree back in self-render mode.
  void removeSpriteFromAtlas(CCSprite* sprite);
  /// The atlas index for `sprite`, already among its parent's children, at
  /// z order `z`: right after everything drawn before it.
  std::uint32_t atlasIndexForChild(CCSprite* sprite, std::int32_t z);
  /// The highest atlas index in `sprite`'s subtree.
  std::uint32_t highestAtlasIndexInChild(CCSprite* sprite);
  /// The lowest atlas index in `sprite`'s subtree.
  std::uint32_t lowestAtlasIndexInChild(CCSprite* sprite);
  /// Renumbers `node`'s subtree (node itself unless it is this batch node) in
  /// drawing order from `index`; returns the next free index.
  std::uint32_t rebuildIndexInOrder(CCNode* node, std::uint32_t index);
  /// Grows the atlas to (capacity + 1) x 4 / 3 quads, at most the atlas's
  /// capacityLimit(). Expects that to succeed ("XXX: SpriteSheet#increaseAtlasCapacity
  /// SHALL handle this assert").
  void increaseAtlasCapacity();

  // [SECTION] Sprites managed by the caller

  /// A new autoreleased sprite of `rect` (points) of the atlas's texture, in
  /// batch mode with this node but not added.
  CCSprite* createSpriteWithRect(CGRect rect);
  /// Initialises `sprite` the same way.
  void initSprite(CCSprite* sprite, CGRect rect);
  /// Inserts `sprite`'s quad at `index` (growing the atlas as needed) and
  /// writes its transform there; the sprite joins neither the children nor
  /// descendants(). Expects a sprite ("CCSpriteSheet only supports CCSprites
  /// as children") and an index within the atlas's limit.
  void addQuadFromSprite(CCSprite* sprite, std::uint32_t index);
  /// Adds `sprite` as a child whose atlas index is `z`, placed in
  /// descendants() before the first sprite with an index >= z; no quad is
  /// inserted. Returns this batch node.
  CCSpriteBatchNode* addSpriteWithoutQuad(CCSprite* sprite, std::uint32_t z, std::int32_t tag);

  // [SECTION] Drawing

  /// Draws the atlas under this node's transform; children are not visited.
  void visit() override;
  /// Updates the dirty sprites' quads and draws the atlas in one call; does
  /// nothing when the atlas is empty.
  void draw() override;

 protected:
  /// dealloc: puts the remaining descendants back in self-render mode (they
  /// must not keep pointers to this node's atlas), then releases the
  /// descendants and the atlas; the node releases the children.
  ~CCSpriteBatchNode() override;

 private:
  // Every descendant of `sprite` (not `sprite` itself) back to self-render mode.
  void useSelfRenderBelow(CCSprite* sprite);

  platform::Ref<CCTextureAtlas> textureAtlas_;
  ccBlendFunc blendFunc_;
  platform::Ref<CCArray> descendants_;
};
