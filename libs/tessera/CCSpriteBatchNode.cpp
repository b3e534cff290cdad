#include "tessera/CCSpriteBatchNode.h"

#include "platform/Assert.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Support/CCArray.h"

#include <algorithm>

namespace {

GLuint nameOf(const CCTexture2D* texture) { return texture ? texture->name() : 0; }

// The position of `child` among `children`, searched from the end: a child
// being added was just inserted, usually last. A node is never twice among
// its parent's children, so this is its only position.
std::uint32_t positionOf(const CCArray* children, const CCNode* child) {
  const ccArray* data = children->data();
  for (std::uint32_t i = data->num; i-- > 0;) {
    if (data->arr[i] == child) return i;
  }
  return CC_INVALID_INDEX;
}

CCArray* newArray(std::uint32_t capacity) {
  auto* array = new CCArray();
  array->initWithCapacity(capacity);
  return array;
}

}  // namespace

// [SECTION] Creation

CCSpriteBatchNode* CCSpriteBatchNode::batchNodeWithFile(const std::string& file, std::uint32_t capacity) {
  return platform::createAutoreleased<CCSpriteBatchNode>(
      [&](CCSpriteBatchNode& node) { return node.initWithFile(file, capacity); });
}

CCSpriteBatchNode* CCSpriteBatchNode::batchNodeWithTexture(CCTexture2D* texture, std::uint32_t capacity) {
  return platform::createAutoreleased<CCSpriteBatchNode>(
      [&](CCSpriteBatchNode& node) { return node.initWithTexture(texture, capacity); });
}

CCSpriteBatchNode* CCSpriteBatchNode::spriteSheetWithFile(const std::string& file, std::uint32_t capacity) {
  return batchNodeWithFile(file, capacity);
}

CCSpriteBatchNode* CCSpriteBatchNode::spriteSheetWithTexture(CCTexture2D* texture, std::uint32_t capacity) {
  return batchNodeWithTexture(texture, capacity);
}

bool CCSpriteBatchNode::initWithTexture(CCTexture2D* texture, std::uint32_t capacity) {
  CCNode::init();
  blendFunc_ = ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST};

  auto* atlas = new CCTextureAtlas();
  if (!atlas->initWithTexture(texture, capacity)) {
    atlas->release();
    return false;
  }
  textureAtlas_ = platform::Ref<CCTextureAtlas>::adopt(atlas);
  updateBlendFunc();

  // Children and descendants start with room for the same number of sprites.
  if (!children_ || children_->count() == 0) children_ = platform::Ref<CCArray>::adopt(newArray(capacity));
  descendants_ = platform::Ref<CCArray>::adopt(newArray(capacity));
  return true;
}

bool CCSpriteBatchNode::initWithFile(const std::string& file, std::uint32_t capacity) {
  return initWithTexture(CCTextureCache::sharedTextureCache()->addImage(file), capacity);
}

CCSpriteBatchNode::~CCSpriteBatchNode() {
  if (descendants_) {
    for (platform::Object* object : *descendants_) {
      auto* sprite = static_cast<CCSprite*>(object);
      if (sprite->batchNode() == this) sprite->useSelfRender();
    }
  }
  descendants_ = nullptr;
  textureAtlas_ = nullptr;
}

std::string CCSpriteBatchNode::description() const {
  return std::string("<") + className() + " = " + platform::addressString(this) + " | Tag = " +
         std::to_string(tag_) + ">";
}

// [SECTION] Properties

void CCSpriteBatchNode::setTextureAtlas(CCTextureAtlas* atlas) { textureAtlas_ = atlas; }

CCTexture2D* CCSpriteBatchNode::texture() const { return textureAtlas_ ? textureAtlas_->texture() : nullptr; }

void CCSpriteBatchNode::setTexture(CCTexture2D* texture) {
  if (textureAtlas_) textureAtlas_->setTexture(texture);
  updateBlendFunc();
}

void CCSpriteBatchNode::updateBlendFunc() {
  CCTexture2D* current = texture();
  if (!current || !current->hasPremultipliedAlpha()) blendFunc_ = ccBlendFunc{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
}

// [SECTION] Children

void CCSpriteBatchNode::addChild(CCNode* child, std::int32_t z, std::int32_t tag) {
  CCAssert(child != nullptr, "Argument must be non-nil");
  if (!child) return;
  auto* sprite = dynamic_cast<CCSprite*>(child);
  CCAssert(sprite != nullptr, "CCSpriteBatchNode only supports CCSprites as children");
  if (!sprite) return;
  const bool sameTexture = nameOf(sprite->texture()) == nameOf(texture());
  CCAssert(sameTexture, "CCSprite is not using the same texture id");
  if (!sameTexture) return;

  // The base refuses a child that has a parent already (this node too).
  if (child->parent() != nullptr) {
    CCNode::addChild(child, z, tag);
    return;
  }
  CCNode::addChild(child, z, tag);
  insertChildInAtlasAtIndex(sprite, atlasIndexForChild(sprite, z));
}

void CCSpriteBatchNode::removeChild(CCNode* child, bool cleanup) {
  if (!child) return;
  const bool isChild = child->parent() == this && children_ && children_->containsObject(child);
  CCAssert(isChild, "CCSpriteBatchNode doesn't contain the sprite. Can't remove it");
  if (!isChild) return;

  // Children are sprites: addChild() lets nothing else in.
  removeSpriteFromAtlas(static_cast<CCSprite*>(child));
  CCNode::removeChild(child, cleanup);
}

void CCSpriteBatchNode::removeChildAtIndex(std::uint32_t index, bool cleanup) {
  platform::Object* child = children_ ? children_->objectAtIndex(index) : nullptr;
  removeChild(static_cast<CCNode*>(child), cleanup);
}

void CCSpriteBatchNode::useSelfRenderBelow(CCSprite* sprite) {
  CCArray* children = sprite->children();
  if (!children) return;
  for (platform::Object* object : *children) {
    auto* child = static_cast<CCSprite*>(object);
    child->useSelfRender();
    useSelfRenderBelow(child);
  }
}

void CCSpriteBatchNode::removeAllChildrenWithCleanup(bool cleanup) {
  if (children_) {
    // The whole subtree leaves batch mode: a sprite further down that kept
    // this node's atlas and index would write into it later.
    for (platform::Object* object : *children_) {
      auto* sprite = static_cast<CCSprite*>(object);
      sprite->useSelfRender();
      useSelfRenderBelow(sprite);
    }
  }
  CCNode::removeAllChildrenWithCleanup(cleanup);
  if (descendants_) descendants_->removeAllObjects();
  if (textureAtlas_) textureAtlas_->removeAllQuads();
}

void CCSpriteBatchNode::reorderChild(CCNode* child, std::int32_t z) {
  CCAssert(child != nullptr, "Child must be non-nil");
  if (!child) return;
  const bool isChild = child->parent() == this && children_ && children_->containsObject(child);
  CCAssert(isChild, "Child doesn't belong to Sprite");
  if (!isChild || z == child->zOrder()) return;

  platform::Ref<CCNode> keepAlive(child);
  removeChild(child, false);
  addChild(child, z, child->tag());
}

// [SECTION] Atlas bookkeeping

void CCSpriteBatchNode::insertChildInAtlasAtIndex(CCSprite* sprite, std::uint32_t index) {
  sprite->useBatchNode(this);
  sprite->setAtlasIndex(index);
  sprite->setDirty(true);

  if (textureAtlas_->totalQuads() == textureAtlas_->capacity()) increaseAtlasCapacity();
  // Past the quads in use the atlas would have to move a negative number of
  // quads; a full atlas means growing failed (and has asserted).
  const std::uint32_t used = textureAtlas_->totalQuads();
  CCAssert(index <= used, "CCSpriteBatchNode: atlas index %u is beyond the %u quads in use", index, used);
  if (index > used || used >= textureAtlas_->capacity()) return;

  textureAtlas_->insertQuad(&sprite->quad(), index);

  ccArray* data = descendants_->data();
  ccArrayInsertObjectAtIndex(data, sprite, index);
  for (std::uint32_t i = index + 1; i < data->num; ++i) {
    auto* later = static_cast<CCSprite*>(data->arr[i]);
    later->setAtlasIndex(later->atlasIndex() + 1);
  }

  if (CCArray* children = sprite->children()) {
    for (platform::Object* object : *children) {
      auto* child = static_cast<CCSprite*>(object);
      insertChildInAtlasAtIndex(child, atlasIndexForChild(child, child->zOrder()));
    }
  }
}

void CCSpriteBatchNode::removeSpriteFromAtlas(CCSprite* sprite) {
  textureAtlas_->removeQuadAtIndex(sprite->atlasIndex());
  sprite->useSelfRender();

  ccArray* data = descendants_->data();
  const std::uint32_t index = ccArrayGetIndexOfObject(data, sprite);
  if (index != CC_INVALID_INDEX) {
    // The sprite stays alive: its parent still holds it.
    ccArrayRemoveObjectAtIndex(data, index);
    for (std::uint32_t i = index; i < data->num; ++i) {
      auto* later = static_cast<CCSprite*>(data->arr[i]);
      later->setAtlasIndex(later->atlasIndex() - 1);
    }
  }

  if (CCArray* children = sprite->children()) {
    for (platform::Object* object : *children) removeSpriteFromAtlas(static_cast<CCSprite*>(object));
  }
}

std::uint32_t CCSpriteBatchNode::highestAtlasIndexInChild(CCSprite* sprite) {
  CCArray* children = sprite->children();
  if (!children || children->count() == 0) return sprite->atlasIndex();
  auto* last = static_cast<CCSprite*>(children->lastObject());
  // Children with negative z are drawn before their parent: when even the
  // last one is, the parent itself comes last.
  if (last->zOrder() < 0) return sprite->atlasIndex();
  return highestAtlasIndexInChild(last);
}

std::uint32_t CCSpriteBatchNode::lowestAtlasIndexInChild(CCSprite* sprite) {
  CCArray* children = sprite->children();
  if (!children || children->count() == 0) return sprite->atlasIndex();
  auto* first = children->objectAt<CCSprite>(0);
  // Only children with negative z come before their parent.
  if (first->zOrder() >= 0) return sprite->atlasIndex();
  return lowestAtlasIndexInChild(first);
}

std::uint32_t CCSpriteBatchNode::atlasIndexForChild(CCSprite* sprite, std::int32_t z) {
  CCNode* parent = sprite->parent();
  CCArray* siblings = parent ? parent->children() : nullptr;
  const std::uint32_t position = siblings ? positionOf(siblings, sprite) : CC_INVALID_INDEX;
  CCAssert(position != CC_INVALID_INDEX, "CCSpriteBatchNode: the sprite is not among its parent's children");
  if (position == CC_INVALID_INDEX) return descendants_->count();

  auto* previous = position > 0 ? siblings->objectAt<CCSprite>(position - 1) : nullptr;

  if (parent == this) return previous ? highestAtlasIndexInChild(previous) + 1 : 0;

  auto* parentSprite = static_cast<CCSprite*>(parent);
  if (!previous) {
    if (z >= 0) return parentSprite->atlasIndex() + 1;
    // First of the children drawn before the parent: ahead of the ones
    // already in the atlas, if any (while a subtree is being laid out, the
    // later children are not yet).
    auto* next = position + 1 < siblings->count() ? siblings->objectAt<CCSprite>(position + 1) : nullptr;
    if (next && next->zOrder() < 0 && next->batchNode() == this &&
        next->atlasIndex() != CCSpriteIndexNotInitialized) {
      return lowestAtlasIndexInChild(next);
    }
    return parentSprite->atlasIndex();
  }
  // Both before the parent, or both after it: right after the previous
  // sibling's subtree. Otherwise this is the first child after the parent.
  if ((previous->zOrder() < 0) == (z < 0)) return highestAtlasIndexInChild(previous) + 1;
  return parentSprite->atlasIndex() + 1;
}

std::uint32_t CCSpriteBatchNode::rebuildIndexInOrder(CCNode* node, std::uint32_t index) {
  CCArray* children = node->children();
  if (children) {
    for (platform::Object* object : *children) {
      auto* child = static_cast<CCSprite*>(object);
      if (child->zOrder() < 0) index = rebuildIndexInOrder(child, index);
    }
  }
  if (node != this) {
    if (auto* sprite = dynamic_cast<CCSprite*>(node)) sprite->setAtlasIndex(index);
    ++index;
  }
  if (children) {
    for (platform::Object* object : *children) {
      auto* child = static_cast<CCSprite*>(object);
      if (child->zOrder() >= 0) index = rebuildIndexInOrder(child, index);
    }
  }
  return index;
}

void CCSpriteBatchNode::increaseAtlasCapacity() {
  // The atlas holds at most capacityLimit() quads (by default what 16-bit
  // indices reach): the last step stops there rather than fail just short of it.
  const std::uint32_t capacity = textureAtlas_->capacity();
  const std::uint32_t grown = std::min((capacity + 1) * 4 / 3, textureAtlas_->capacityLimit());
  const bool resized = grown > capacity && textureAtlas_->resizeCapacity(grown);
  CCAssert(resized, "XXX: SpriteSheet#increaseAtlasCapacity SHALL handle this assert");
}

// [SECTION] Sprites managed by the caller

CCSprite* CCSpriteBatchNode::createSpriteWithRect(CGRect rect) {
  CCSprite* sprite = CCSprite::spriteWithTexture(texture(), rect);
  if (sprite) sprite->useBatchNode(this);
  return sprite;
}

void CCSpriteBatchNode::initSprite(CCSprite* sprite, CGRect rect) {
  if (!sprite) return;
  if (sprite->initWithTexture(texture(), rect)) sprite->useBatchNode(this);
}

void CCSpriteBatchNode::addQuadFromSprite(CCSprite* sprite, std::uint32_t index) {
  CCAssert(sprite != nullptr, "Argument must be non-nil");
  if (!sprite) return;
  CCAssert(dynamic_cast<CCSprite*>(static_cast<CCNode*>(sprite)) != nullptr,
           "CCSpriteSheet only supports CCSprites as children");

  // Beyond the atlas's limit the growth below could never succeed.
  const std::uint32_t limit = textureAtlas_->capacityLimit();
  CCAssert(index < limit, "CCSpriteBatchNode: addQuadFromSprite: index %u beyond the atlas limit", index);
  if (index >= limit) return;
  while (index >= textureAtlas_->capacity() || textureAtlas_->capacity() == textureAtlas_->totalQuads()) {
    const std::uint32_t before = textureAtlas_->capacity();
    increaseAtlasCapacity();
    if (textureAtlas_->capacity() <= before) return;  // growth failed (asserted above)
  }

  sprite->useBatchNode(this);
  sprite->setAtlasIndex(index);
  textureAtlas_->insertQuad(&sprite->quad(), index);
  sprite->setDirty(true);
  sprite->updateTransform();
}

CCSpriteBatchNode* CCSpriteBatchNode::addSpriteWithoutQuad(CCSprite* sprite, std::uint32_t z, std::int32_t tag) {
  CCAssert(sprite != nullptr, "Argument must be non-nil");
  if (!sprite) return this;
  CCAssert(dynamic_cast<CCSprite*>(static_cast<CCNode*>(sprite)) != nullptr,
           "CCSpriteSheet only supports CCSprites as children");

  sprite->setAtlasIndex(z);

  ccArray* data = descendants_->data();
  std::uint32_t position = 0;
  while (position < data->num && static_cast<CCSprite*>(data->arr[position])->atlasIndex() < z) ++position;
  ccArrayInsertObjectAtIndex(data, sprite, position);

  // The plain node insertion: no quad goes into the atlas.
  CCNode::addChild(sprite, static_cast<std::int32_t>(z), tag);
  return this;
}

// [SECTION] Drawing

void CCSpriteBatchNode::visit() {
  if (!visible_) return;

  glPushMatrix();
  const bool gridActive = grid_ && grid_->active();
  if (gridActive) {
    grid_->beforeDraw();
    transformAncestors();
  }
  transform();
  draw();
  if (gridActive) grid_->afterDraw(this);
  glPopMatrix();
}

void CCSpriteBatchNode::draw() {
  if (!textureAtlas_ || textureAtlas_->totalQuads() == 0) return;

  // Dirty sprites rewrite their own quads; clean ones are skipped.
  const ccArray* data = descendants_->data();
  CCSprite::updateDirtyTransforms(data->arr, data->num);

  const bool newBlend = !(blendFunc_ == ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST});
  if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);
  textureAtlas_->drawQuads();
  if (newBlend) glBlendFunc(CC_BLEND_SRC, CC_BLEND_DST);
}
