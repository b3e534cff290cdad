#include "tessera/CCTMXLayer.h"

#include "platform/Assert.h"
#include "platform/Log.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Support/CCArray.h"
#include "tessera/ccMacros.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

// [SECTION] Creation
// [SECTION] Setting up the tiles
// [SECTION] Tile positions and z
// [SECTION] Tiles
// [SECTION] Quads and the index list
// [SECTION] Children and drawing

namespace {

// A layer size component as a whole number of tiles, or false.
bool wholeTiles(float value, std::uint32_t* out) {
  if (!(value >= 0.0f && value < 4294967296.0f) || std::floor(value) != value) return false;
  *out = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace

// [SECTION] Creation

CCTMXLayer* CCTMXLayer::layerWithTilesetInfo(CCTMXTilesetInfo* tileset, CCTMXLayerInfo* layerInfo,
                                             CCTMXMapInfo* mapInfo) {
  return platform::createAutoreleased<CCTMXLayer>(
      [&](CCTMXLayer& layer) { return layer.initWithTilesetInfo(tileset, layerInfo, mapInfo); });
}

bool CCTMXLayer::initWithTilesetInfo(CCTMXTilesetInfo* tileset, CCTMXLayerInfo* layerInfo, CCTMXMapInfo* mapInfo) {
  if (layerInfo == nullptr || mapInfo == nullptr) {
    CCLOG("tessera: CCTMXLayer: a layer needs its layer record and its map record");
    return false;
  }
  const char* name = layerInfo->name().c_str();
  const CGSize size = layerInfo->layerSize();
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  if (!wholeTiles(size.width, &width) || !wholeTiles(size.height, &height)) {
    CCLOG("tessera: CCTMXLayer: layer \"%s\": size %gx%g is not a whole number of tiles", name,
          static_cast<double>(size.width), static_cast<double>(size.height));
    return false;
  }
  // The grid is indexed as column + row x width: anything but exactly
  // width x height numbers would be read out of bounds (or leave tiles unset).
  const std::uint64_t tileCount = static_cast<std::uint64_t>(width) * height;
  const bool hasTiles = layerInfo->tiles() != nullptr;
  if ((hasTiles ? layerInfo->tileCount() : 0) != tileCount) {
    CCLOG("tessera: CCTMXLayer: layer \"%s\" is %ux%u tiles but its data holds %zu tile numbers; refused", name,
          width, height, hasTiles ? layerInfo->tileCount() : static_cast<std::size_t>(0));
    return false;
  }
  std::uint32_t setTiles = 0;
  for (std::uint64_t i = 0; i < tileCount; ++i) setTiles += layerInfo->tiles()[i] != 0 ? 1 : 0;
  if (setTiles > kCCTextureAtlasLargestCapacity) {
    CCLOG("tessera: CCTMXLayer: layer \"%s\" has %u tiles, more than the %u a layer can draw; refused", name,
          setTiles, kCCTextureAtlasLargestCapacity);
    return false;
  }
  if (mapInfo->orientation() == CCTMXOrientationHex) {
    const CGPoint offset = layerInfo->offset();
    CCAssert(offset.x == 0 && offset.y == 0, "offset for hexagonal map not implemented yet");
  }

  // A batch node with room for about a third of the tiles; setupTiles()
  // grows it once to what the layer needs.
  CCTexture2D* texture = nullptr;
  if (tileset != nullptr) {
    texture = CCTextureCache::sharedTextureCache()->addImage(tileset->sourceImage());
    if (texture == nullptr) {
      CCLOG("tessera: CCTMXLayer: layer \"%s\": the tileset picture \"%s\" cannot be loaded; refused", name,
            tileset->sourceImage().c_str());
      return false;
    }
  }
  const auto capacity = static_cast<std::uint32_t>(static_cast<float>(tileCount) * 0.35f + 1);
  if (!CCSpriteBatchNode::initWithTexture(texture, std::min(capacity, kCCTextureAtlasMaxCapacity))) return false;
  const auto limit = static_cast<unsigned int>(std::min<std::uint64_t>(tileCount, kCCTextureAtlasLargestCapacity));
  textureAtlas()->setCapacityLimit(std::max(limit, kCCTextureAtlasMaxCapacity));
  if (capacity > textureAtlas()->capacity()) {
    textureAtlas()->resizeCapacity(std::min(capacity, textureAtlas()->capacityLimit()));
  }

  // The layer owns its grid: taken over from a record that owns it (which
  // is then left without tiles, so nothing can free or read it twice),
  // copied from one that does not.
  std::free(tiles_);
  tiles_ = nullptr;
  if (hasTiles && layerInfo->ownTiles()) {
    tiles_ = layerInfo->tiles();
    layerInfo->setOwnTiles(false);
    layerInfo->setTiles(nullptr, 0);
  } else if (hasTiles && tileCount > 0) {
    tiles_ = static_cast<std::uint32_t*>(std::malloc(tileCount * sizeof(std::uint32_t)));
    if (tiles_ == nullptr) {
      CCLOG("tessera: CCTMXLayer: layer \"%s\": out of memory for %ux%u tiles", name, width, height);
      return false;
    }
    std::memcpy(tiles_, layerInfo->tiles(), tileCount * sizeof(std::uint32_t));
  }
  width_ = width;
  height_ = height;
  setTiles_ = setTiles;

  layerName_ = layerInfo->name();
  layerSize_ = size;
  minGID_ = layerInfo->minGID();
  maxGID_ = layerInfo->maxGID();
  opacity_ = layerInfo->opacity();
  properties_ = layerInfo->properties();
  tileset_ = tileset;
  mapTileSize_ = mapInfo->tileSize();
  layerOrientation_ = mapInfo->orientation();

  setPositionInPixels(layerOffset(layerInfo->offset()));

  ccCArrayFree(atlasIndexArray_);
  atlasIndexArray_ = ccCArrayNew(static_cast<std::uint32_t>(std::max<std::uint64_t>(tileCount, 1)));

  setContentSizeInPixels(CGSizeMake(layerSize_.width * mapTileSize_.width, layerSize_.height * mapTileSize_.height));
  useAutomaticVertexZ_ = false;
  vertexZvalue_ = 0;
  alphaFuncValue_ = 0;
  return true;
}

CCTMXLayer::~CCTMXLayer() {
  std::free(tiles_);
  ccCArrayFree(atlasIndexArray_);
  reusedTile_ = nullptr;
}

void CCTMXLayer::releaseMap() {
  std::free(tiles_);
  tiles_ = nullptr;
  ccCArrayFree(atlasIndexArray_);
  atlasIndexArray_ = nullptr;
}

// [SECTION] Setting up the tiles

void CCTMXLayer::setupTiles() {
  CCTexture2D* texture = textureAtlas()->texture();
  if (tileset_ && texture) tileset_->setImageSize(texture->contentSizeInPixels());
  // Neighbouring tiles must not bleed into each other when scaled.
  if (texture) texture->setAliasTexParameters();

  if (const platform::Value* vertexZ = properties_.find("cc_vertexz")) {
    if (vertexZ->stringValue() == "automatic") {
      useAutomaticVertexZ_ = true;
    } else {
      vertexZvalue_ = vertexZ->intValue();
    }
  }
  alphaFuncValue_ = properties_.get("cc_alpha_func").floatValue();

  if (!tiles_ || !atlasIndexArray_) return;
  if (!texture && setTiles_ > 0) {
    // No tileset starts at or below any of the layer's numbers.
    CCAssert(false, "TMX: Only 1 tilset per layer is supported");
    return;
  }
  // One growth to the number of tiles instead of several while appending.
  CCTextureAtlas* atlas = textureAtlas();
  const std::uint32_t needed = atlas->totalQuads() + setTiles_;
  if (needed > atlas->capacity()) atlas->resizeCapacity(std::min(needed, atlas->capacityLimit()));

  for (std::uint32_t row = 0; row < height_; ++row) {
    const std::uint32_t* line = tiles_ + static_cast<std::size_t>(row) * width_;
    for (std::uint32_t column = 0; column < width_; ++column) {
      const std::uint32_t gid = line[column];
      if (gid == 0) continue;
      appendTileForGID(gid, CGPointMake(static_cast<float>(column), static_cast<float>(row)));
      minGID_ = std::min(gid, minGID_);
      maxGID_ = std::max(gid, maxGID_);
    }
  }
  const std::uint32_t first = firstGid();
  CCAssert(minGID_ >= first && maxGID_ >= first, "TMX: Only 1 tilset per layer is supported");
}

std::uint32_t CCTMXLayer::firstGid() const { return tileset_ ? tileset_->firstGid() : 0; }

// [SECTION] Tile positions and z

CGPoint CCTMXLayer::layerOffset(CGPoint offset) const {
  switch (layerOrientation_) {
    case CCTMXOrientationOrtho:
      return CGPointMake(offset.x * mapTileSize_.width, -offset.y * mapTileSize_.height);
    case CCTMXOrientationIso:
      return CGPointMake(mapTileSize_.width / 2 * (offset.x - offset.y),
                         mapTileSize_.height / 2 * (-offset.x - offset.y));
    default:
      return CGPointZero;
  }
}

CGPoint CCTMXLayer::positionAt(CGPoint position) const {
  switch (layerOrientation_) {
    case CCTMXOrientationOrtho:
      return positionForOrthoAt(position);
    case CCTMXOrientationIso:
      return positionForIsoAt(position);
    case CCTMXOrientationHex:
      return positionForHexAt(position);
    default:
      return CGPointZero;
  }
}

CGPoint CCTMXLayer::positionForOrthoAt(CGPoint position) const {
  return CGPointMake(position.x * mapTileSize_.width, (layerSize_.height - position.y - 1) * mapTileSize_.height);
}

CGPoint CCTMXLayer::positionForIsoAt(CGPoint position) const {
  return CGPointMake(mapTileSize_.width / 2 * (layerSize_.width + position.x - position.y - 1),
                     mapTileSize_.height / 2 * (layerSize_.height * 2 - position.x - position.y - 2));
}

CGPoint CCTMXLayer::positionForHexAt(CGPoint position) const {
  // Odd columns sit half a tile lower.
  const float dy = static_cast<std::int64_t>(position.x) % 2 != 0 ? -mapTileSize_.height / 2 : 0.0f;
  return CGPointMake(position.x * mapTileSize_.width * 3 / 4,
                     (layerSize_.height - position.y - 1) * mapTileSize_.height + dy);
}

float CCTMXLayer::vertexZForPos(CGPoint position) const {
  if (!useAutomaticVertexZ_) return static_cast<float>(vertexZvalue_);
  switch (layerOrientation_) {
    case CCTMXOrientationIso: {
      const auto maxValue = static_cast<float>(static_cast<std::uint32_t>(layerSize_.width + layerSize_.height));
      return static_cast<float>(static_cast<std::int64_t>(-(maxValue - (position.x + position.y))));
    }
    case CCTMXOrientationOrtho:
      return static_cast<float>(static_cast<std::int64_t>(-(layerSize_.height - position.y)));
    case CCTMXOrientationHex:
      CCAssert(false, "TMX Hexa zOrder not supported");
      return 0;
    default:
      CCAssert(false, "TMX invalid value");
      return 0;
  }
}

// [SECTION] Tiles

bool CCTMXLayer::checkedTileIndex(CGPoint position, std::uint32_t* index) const {
  const bool inside = position.x >= 0 && position.x < layerSize_.width && position.y >= 0 &&
                      position.y < layerSize_.height;
  CCAssert(inside, "TMXLayer: invalid position");
  CCAssert(tiles_ != nullptr && atlasIndexArray_ != nullptr, "TMXLayer: the tiles map has been released");
  if (!inside || tiles_ == nullptr || atlasIndexArray_ == nullptr) return false;
  // Whole column and row, so a fractional position cannot reach past the grid.
  *index = static_cast<std::uint32_t>(position.x) + static_cast<std::uint32_t>(position.y) * width_;
  return true;
}

std::uint32_t CCTMXLayer::tileGIDAt(CGPoint position) const {
  std::uint32_t z = 0;
  return checkedTileIndex(position, &z) ? tiles_[z] : 0;
}

CCSprite* CCTMXLayer::tileAt(CGPoint position) {
  std::uint32_t z = 0;
  if (!checkedTileIndex(position, &z)) return nullptr;
  const std::uint32_t gid = tiles_[z];
  if (gid == 0) return nullptr;
  if (CCNode* existing = getChildByTag(static_cast<std::int32_t>(z))) return static_cast<CCSprite*>(existing);
  const std::uint32_t atlasIndex = atlasIndexForExistantZ(z);
  if (atlasIndex == CC_INVALID_INDEX) return nullptr;

  CCSprite* tile = platform::createAutoreleased<CCSprite>([&](CCSprite& sprite) {
    return sprite.initWithBatchNodeRectInPixels(this, tileRect(gid));
  });
  if (!tile) return nullptr;
  tile->setPositionInPixels(positionAt(position));
  tile->setVertexZ(vertexZForPos(position));
  tile->setAnchorPoint(CGPointZero);
  tile->setOpacity(opacity_);
  // The sprite draws through the tile's existing quad.
  addSpriteWithoutQuad(tile, atlasIndex, static_cast<std::int32_t>(z));
  return tile;
}

void CCTMXLayer::setTileGID(std::uint32_t gid, CGPoint position) {
  std::uint32_t z = 0;
  if (!checkedTileIndex(position, &z)) return;
  const bool valid = gid == 0 || (tileset_ && gid >= tileset_->firstGid());
  CCAssert(valid, "TMXLayer: invalid gid");
  if (!valid) return;

  const std::uint32_t current = tiles_[z];
  if (current == gid) return;
  if (gid == 0) {
    removeTileAt(position);
  } else if (current == 0) {
    insertTileForGID(gid, position);
  } else if (auto* sprite = static_cast<CCSprite*>(getChildByTag(static_cast<std::int32_t>(z)))) {
    const CGRect rect = tileRect(gid);
    sprite->setTextureRectInPixels(rect, false, rect.size);
    tiles_[z] = gid;
  } else {
    updateTileForGID(gid, position);
  }
}

void CCTMXLayer::removeTileAt(CGPoint position) {
  std::uint32_t z = 0;
  if (!checkedTileIndex(position, &z)) return;
  if (tiles_[z] == 0) return;

  const std::uint32_t atlasIndex = atlasIndexForExistantZ(z);
  if (atlasIndex == CC_INVALID_INDEX) return;
  tiles_[z] = 0;
  ccCArrayRemoveValueAtIndex(atlasIndexArray_, atlasIndex);

  if (CCNode* sprite = getChildByTag(static_cast<std::int32_t>(z))) {
    // The batch node takes the sprite's quad away with it.
    CCSpriteBatchNode::removeChild(sprite, true);
  } else {
    textureAtlas()->removeQuadAtIndex(atlasIndex);
    shiftTileSprites(atlasIndex, -1);
  }
}

// [SECTION] Quads and the index list

CGRect CCTMXLayer::tileRect(std::uint32_t gid) {
  if (!tileset_) return CGRectZero;
  // Maps use few distinct tiles, over and over: a small direct-mapped table
  // saves the divisions of rectForGID for most of them. The tileset's
  // picture size (part of the answer) is kept with each entry.
  RectCacheEntry& entry = rectCache_[gid % rectCache_.size()];
  const CGSize imageSize = tileset_->imageSize();
  if (entry.gid != gid || entry.imageWidth != imageSize.width || entry.tileset != tileset_.get()) {
    entry = RectCacheEntry{gid, imageSize.width, tileset_.get(), tileset_->rectForGID(gid)};
  }
  return entry.rect;
}

CCSprite* CCTMXLayer::reusedTileFor(std::uint32_t gid, CGPoint position) {
  const CGRect rect = tileRect(gid);
  if (!reusedTile_) {
    reusedTile_ = platform::Ref<CCSprite>::adopt(new CCSprite());
    reusedTile_->initWithBatchNodeRectInPixels(this, rect);
    reusedTile_->setAnchorPoint(CGPointZero);
  }
  // Only what differs between tiles is set again; the anchor point and the
  // batch mode stay. The opacity is written to the atlas at once when the
  // sprite has an atlas index, so that index is dropped first.
  if (reusedTile_->opacity() != opacity_) {
    reusedTile_->setAtlasIndex(CCSpriteIndexNotInitialized);
    reusedTile_->setOpacity(opacity_);
  }
  reusedTile_->setTextureRectInPixels(rect, false, rect.size);
  reusedTile_->setPositionInPixels(positionAt(position));
  reusedTile_->setVertexZ(vertexZForPos(position));
  return reusedTile_.get();
}

void CCTMXLayer::appendTileForGID(std::uint32_t gid, CGPoint position) {
  const std::uint32_t z = static_cast<std::uint32_t>(position.x) + static_cast<std::uint32_t>(position.y) * width_;
  CCSprite* tile = reusedTileFor(gid, position);
  const std::uint32_t atlasIndex = atlasIndexArray_->num;
  addQuadFromSprite(tile, atlasIndex);
  ccCArrayInsertValueAtIndex(atlasIndexArray_, z, atlasIndex);
}

void CCTMXLayer::insertTileForGID(std::uint32_t gid, CGPoint position) {
  const std::uint32_t z = static_cast<std::uint32_t>(position.x) + static_cast<std::uint32_t>(position.y) * width_;
  CCSprite* tile = reusedTileFor(gid, position);
  const std::uint32_t atlasIndex = atlasIndexForNewZ(z);
  const std::uint32_t before = textureAtlas()->totalQuads();
  addQuadFromSprite(tile, atlasIndex);
  // A full atlas that could not grow has asserted: the tile stays empty.
  if (textureAtlas()->totalQuads() == before) return;
  ccCArrayInsertValueAtIndex(atlasIndexArray_, z, atlasIndex);
  shiftTileSprites(atlasIndex, 1);
  tiles_[z] = gid;
}

void CCTMXLayer::updateTileForGID(std::uint32_t gid, CGPoint position) {
  const std::uint32_t z = static_cast<std::uint32_t>(position.x) + static_cast<std::uint32_t>(position.y) * width_;
  const std::uint32_t atlasIndex = atlasIndexForExistantZ(z);
  if (atlasIndex == CC_INVALID_INDEX) return;
  CCSprite* tile = reusedTileFor(gid, position);
  tile->setAtlasIndex(atlasIndex);
  tile->setDirty(true);
  tile->updateTransform();
  tiles_[z] = gid;
}

std::uint32_t CCTMXLayer::atlasIndexForExistantZ(std::uint32_t z) const {
  const std::uint32_t* begin = atlasIndexArray_->arr;
  const std::uint32_t* end = begin + atlasIndexArray_->num;
  const std::uint32_t* found = std::lower_bound(begin, end, z);
  const bool exists = found != end && *found == z;
  CCAssert(exists, "TMX atlas index not found. Shall not happen");
  return exists ? static_cast<std::uint32_t>(found - begin) : CC_INVALID_INDEX;
}

std::uint32_t CCTMXLayer::atlasIndexForNewZ(std::uint32_t z) const {
  const std::uint32_t* begin = atlasIndexArray_->arr;
  const std::uint32_t* end = begin + atlasIndexArray_->num;
  return static_cast<std::uint32_t>(std::upper_bound(begin, end, z) - begin);
}

void CCTMXLayer::shiftTileSprites(std::uint32_t from, std::int32_t delta) {
  CCArray* sprites = children();
  if (!sprites) return;
  for (platform::Object* object : *sprites) {
    auto* sprite = static_cast<CCSprite*>(object);
    if (sprite->atlasIndex() >= from) sprite->setAtlasIndex(sprite->atlasIndex() + static_cast<std::uint32_t>(delta));
  }
}

// [SECTION] Children and drawing

const platform::Value& CCTMXLayer::propertyNamed(std::string_view name) const { return properties_.get(name); }

void CCTMXLayer::addChild(CCNode*, std::int32_t, std::int32_t) {
  CCAssert(false, "addChild: is not supported on CCTMXLayer. Instead use setTileGID:at:/tileAt:");
}

void CCTMXLayer::removeChild(CCNode* child, bool cleanup) {
  if (child == nullptr) return;
  const bool isChild = child->parent() == this && children() && children()->containsObject(child);
  CCAssert(isChild, "Tile does not belong to TMXLayer");
  if (!isChild) return;

  auto* sprite = static_cast<CCSprite*>(child);
  const std::uint32_t atlasIndex = sprite->atlasIndex();
  if (tiles_ && atlasIndexArray_ && atlasIndex < atlasIndexArray_->num) {
    tiles_[atlasIndexArray_->arr[atlasIndex]] = 0;
    ccCArrayRemoveValueAtIndex(atlasIndexArray_, atlasIndex);
  }
  CCSpriteBatchNode::removeChild(sprite, cleanup);
}

void CCTMXLayer::removeAllChildrenWithCleanup(bool cleanup) {
  // Tile sprites go one by one, each emptying its tile: the batch node's
  // own version would empty the whole atlas under the other tiles.
  while (CCArray* sprites = children()) {
    if (sprites->count() == 0) break;
    removeChild(static_cast<CCNode*>(sprites->lastObject()), cleanup);
  }
}

void CCTMXLayer::draw() {
  if (!useAutomaticVertexZ_) {
    drawTiles();
    return;
  }
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, alphaFuncValue_);
  drawTiles();
  glDisable(GL_ALPHA_TEST);
}

bool CCTMXLayer::visibleTiles(TileRange* range) const {
  // Tile sprites may have moved their quads anywhere, automatic z puts the
  // tiles on different planes, and isometric rows are diagonal: those draw
  // every quad.
  const CCArray* sprites = children();
  if ((sprites && sprites->count() > 0) || useAutomaticVertexZ_ || !atlasIndexArray_ || !tileset_ ||
      (layerOrientation_ != CCTMXOrientationOrtho && layerOrientation_ != CCTMXOrientationHex) || width_ == 0 ||
      height_ == 0) {
    return false;
  }
  const float stepX = layerOrientation_ == CCTMXOrientationHex ? mapTileSize_.width * 3 / 4 : mapTileSize_.width;
  const float stepY = mapTileSize_.height;
  if (!(stepX > 0 && stepY > 0)) return false;

  // The part of the tiles' plane that lands inside the clip volume: each
  // corner of the clip rectangle traced back through projection x
  // model-view onto the plane z = the tiles' z, in layer pixels.
  GLfloat model[16], projection[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, model);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  float m[16];  // projection x model-view, column-major
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += projection[k * 4 + row] * model[column * 4 + k];
      m[column * 4 + row] = sum;
    }
  }
  const float z = static_cast<float>(vertexZvalue_) * CC_CONTENT_SCALE_FACTOR();
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (int corner = 0; corner < 4; ++corner) {
    const float cx = corner & 1 ? 1.0f : -1.0f;
    const float cy = corner & 2 ? 1.0f : -1.0f;
    // Rows 0 and 1 of m, less cx (cy) times row 3, must vanish at (x, y, z, 1).
    const float a0 = m[0] - cx * m[3], a1 = m[4] - cx * m[7], a = -((m[8] - cx * m[11]) * z + m[12] - cx * m[15]);
    const float b0 = m[1] - cy * m[3], b1 = m[5] - cy * m[7], b = -((m[9] - cy * m[11]) * z + m[13] - cy * m[15]);
    const float determinant = a0 * b1 - a1 * b0;
    if (!(std::fabs(determinant) > 1e-12f)) return false;
    const float x = (a * b1 - a1 * b) / determinant;
    const float y = (a0 * b - a * b0) / determinant;
    // Behind the eye (or not a number): the plane reaches the horizon.
    const float w = m[3] * x + m[7] * y + m[11] * z + m[15];
    if (!(w > 0) || !std::isfinite(x) || !std::isfinite(y)) return false;
    minX = corner == 0 ? x : std::min(minX, x);
    maxX = corner == 0 ? x : std::max(maxX, x);
    minY = corner == 0 ? y : std::min(minY, y);
    maxY = corner == 0 ? y : std::max(maxY, y);
  }

  // Tile (c, r) covers [c stepX, c stepX + tile width] x [k stepY + dy,
  // k stepY + dy + tile height] with k = H - 1 - r; dy is -stepY / 2 for odd
  // hexagonal columns. Ranges are widened by a whole tile on each side.
  const CGSize quad = tileset_->tileSize();
  const float lowY = layerOrientation_ == CCTMXOrientationHex ? -stepY / 2 : 0.0f;
  const auto clampTo = [](float value, std::uint32_t count) {
    if (!(value > 0)) return 0u;
    return value >= static_cast<float>(count - 1) ? count - 1 : static_cast<std::uint32_t>(value);
  };
  const float firstColumn = std::floor((minX - quad.width) / stepX) - 1;
  const float lastColumn = std::floor(maxX / stepX) + 1;
  const float lowK = std::floor((minY - quad.height) / stepY) - 1;
  const float highK = std::floor((maxY - lowY) / stepY) + 1;
  if (lastColumn < 0 || highK < 0 || firstColumn > static_cast<float>(width_ - 1) ||
      lowK > static_cast<float>(height_ - 1)) {
    range->empty = true;
    return true;
  }
  range->empty = false;
  range->firstColumn = clampTo(firstColumn, width_);
  range->lastColumn = clampTo(lastColumn, width_);
  range->firstRow = height_ - 1 - clampTo(highK, height_);
  range->lastRow = height_ - 1 - clampTo(lowK, height_);
  return true;
}

void CCTMXLayer::drawTiles() {
  CCTextureAtlas* atlas = textureAtlas();
  TileRange range;
  if (!atlas || atlas->totalQuads() == 0 || !visibleTiles(&range)) {
    CCSpriteBatchNode::draw();
    return;
  }
  if (range.empty) return;

  const ccBlendFunc blend = blendFunc();
  const bool newBlend = !(blend == ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST});
  if (newBlend) glBlendFunc(blend.src, blend.dst);
  // The quads are in tile-index order, row by row: each visible row is one
  // run of quads. Rows shown (nearly) whole are drawn as one run.
  const std::uint32_t* begin = atlasIndexArray_->arr;
  const std::uint32_t* end = begin + atlasIndexArray_->num;
  const auto atlasIndexOf = [&](std::uint64_t tileIndex) {
    return static_cast<std::uint32_t>(std::lower_bound(begin, end, tileIndex) - begin);
  };
  const bool wholeRows = (range.lastColumn - range.firstColumn + 1) * 2 > width_;
  const std::uint32_t firstColumn = wholeRows ? 0 : range.firstColumn;
  const std::uint32_t lastColumn = wholeRows ? width_ - 1 : range.lastColumn;
  std::uint32_t runStart = 0, runEnd = 0;
  for (std::uint32_t row = range.firstRow; row <= range.lastRow; ++row) {
    const std::uint64_t rowStart = static_cast<std::uint64_t>(row) * width_;
    const std::uint32_t from = atlasIndexOf(rowStart + firstColumn);
    const std::uint32_t to = atlasIndexOf(rowStart + lastColumn + 1);
    if (from != runEnd) {
      if (runEnd > runStart) atlas->drawNumberOfQuads(runEnd - runStart, runStart);
      runStart = from;
    }
    runEnd = to;
  }
  if (runEnd > runStart) atlas->drawNumberOfQuads(runEnd - runStart, runStart);
  if (newBlend) glBlendFunc(CC_BLEND_SRC, CC_BLEND_DST);
}
