#include "tessera/CCTileMapAtlas.h"

#include "platform/Assert.h"
#include "platform/Exception.h"
#include "platform/Log.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/Support/CCFileUtils.h"

#include <cstdio>

namespace {

std::string positionKey(ccGridSize position) {
  char key[32];
  std::snprintf(key, sizeof key, "%d,%d", static_cast<int>(position.x), static_cast<int>(position.y));
  return key;
}

[[noreturn]] void throwCannotLoad() {
  throw platform::Exception("TileMapAtlasLoadTGA", "TileMapAtas cannot load TGA file");
}

}  // namespace

// [SECTION] Creation

CCTileMapAtlas* CCTileMapAtlas::tileMapAtlasWithTileFile(const std::string& tile, const std::string& mapFile,
                                                         int tileWidth, int tileHeight) {
  // Held while it initialises, so a map that throws does not leak the node.
  platform::Ref<CCTileMapAtlas> atlas = platform::Ref<CCTileMapAtlas>::adopt(new CCTileMapAtlas());
  if (!atlas->initWithTileFile(tile, mapFile, tileWidth, tileHeight)) return nullptr;
  return platform::autoreleased(atlas.detach());
}

bool CCTileMapAtlas::initWithTileFile(const std::string& tile, const std::string& mapFile, int tileWidth,
                                      int tileHeight) {
  loadTGAfile(mapFile);
  calculateItemsToRender();
  if (itemsToRender_ > static_cast<std::int32_t>(kCCTextureAtlasMaxCapacity)) {
    CCLOG("tessera: CCTileMapAtlas: %s: %d tiles, more than one atlas holds (%u)", mapFile.c_str(),
          static_cast<int>(itemsToRender_), kCCTextureAtlasMaxCapacity);
    return false;
  }
  if (!CCAtlasNode::initWithTileFile(tile, tileWidth, tileHeight, itemsToRender_)) return false;

  posToAtlasIndex_ = std::make_unique<std::unordered_map<std::string, std::int32_t>>();
  posToAtlasIndex_->reserve(static_cast<std::size_t>(itemsToRender_));
  updateAtlasValues();

  setContentSize(CGSizeMake(static_cast<float>(tileWidth) * static_cast<float>(tgaInfo_->width),
                            static_cast<float>(tileHeight) * static_cast<float>(tgaInfo_->height)));
  return true;
}

CCTileMapAtlas::~CCTileMapAtlas() = default;

void CCTileMapAtlas::loadTGAfile(const std::string& file) {
  CCAssert(!file.empty(), "file must be non-nil");
  tgaInfo_.reset();
  const std::string path = CCFileUtils::fullPathFromRelativePath(file);
  std::unique_ptr<sImageTGA, TGADeleter> info(tgaLoad(path.c_str()));
  if (!info || info->status != kTGAStatusOK) throwCannotLoad();
  // Tiles are read as red, green and blue bytes: fewer bytes per pixel would
  // read beyond the image.
  if (tgaBytesPerPixel(info.get()) < 3) {
    CCLOG("tessera: CCTileMapAtlas: %s: %u bits per pixel; maps need 24 or 32", path.c_str(),
          static_cast<unsigned>(info->pixelDepth));
    throwCannotLoad();
  }
  tgaInfo_ = std::move(info);
}

void CCTileMapAtlas::calculateItemsToRender() {
  CCAssert(tgaInfo_ != nullptr, "tgaInfo must be non-nil");
  itemsToRender_ = 0;
  if (!tgaInfo_) return;
  for (std::int32_t x = 0; x < tgaInfo_->width; ++x) {
    for (std::int32_t y = 0; y < tgaInfo_->height; ++y) {
      if (pixelAt(ccg(x, y))[0] != 0) ++itemsToRender_;
    }
  }
}

void CCTileMapAtlas::releaseMap() {
  tgaInfo_.reset();
  posToAtlasIndex_.reset();
}

// [SECTION] Tiles

unsigned char* CCTileMapAtlas::pixelAt(ccGridSize position) const {
  if (!tgaInfo_ || position.x < 0 || position.y < 0 || position.x >= tgaInfo_->width ||
      position.y >= tgaInfo_->height) {
    return nullptr;
  }
  const std::size_t index = static_cast<std::size_t>(position.x) +
                            static_cast<std::size_t>(position.y) * static_cast<std::size_t>(tgaInfo_->width);
  return tgaInfo_->imageData + index * tgaBytesPerPixel(tgaInfo_.get());
}

ccColor3B CCTileMapAtlas::tileAt(ccGridSize position) const {
  CCAssert(tgaInfo_ != nullptr, "tgaInfo must not be nil");
  CCAssert(!tgaInfo_ || (position.x >= 0 && position.x < tgaInfo_->width), "Invalid position.x");
  CCAssert(!tgaInfo_ || (position.y >= 0 && position.y < tgaInfo_->height), "Invalid position.y");
  const unsigned char* pixel = pixelAt(position);
  if (pixel == nullptr) return ccBLACK;
  return ccc3(pixel[0], pixel[1], pixel[2]);
}

void CCTileMapAtlas::setTile(ccColor3B tile, ccGridSize position) {
  CCAssert(tgaInfo_ != nullptr, "tgaInfo must not be nil");
  CCAssert(posToAtlasIndex_ != nullptr, "posToAtlasIndex must not be nil");
  CCAssert(!tgaInfo_ || (position.x >= 0 && position.x < tgaInfo_->width), "Invalid position.x");
  CCAssert(!tgaInfo_ || (position.y >= 0 && position.y < tgaInfo_->height), "Invalid position.y");
  CCAssert(tile.r != 0, "R component must be non 0");
  unsigned char* pixel = pixelAt(position);
  if (pixel == nullptr || !posToAtlasIndex_ || tile.r == 0) return;

  // Only tiles that had a quad from the start can change.
  if (pixel[0] == 0) return;
  const auto found = posToAtlasIndex_->find(positionKey(position));
  if (found == posToAtlasIndex_->end()) return;
  pixel[0] = tile.r;
  pixel[1] = tile.g;
  pixel[2] = tile.b;
  updateAtlasValueAt(position, tile, static_cast<unsigned int>(found->second));
}

// [SECTION] Quads

void CCTileMapAtlas::updateAtlasValues() {
  CCAssert(tgaInfo_ != nullptr, "tgaInfo must be non-nil");
  if (!tgaInfo_) return;
  std::int32_t n = 0;
  for (std::int32_t x = 0; x < tgaInfo_->width; ++x) {
    for (std::int32_t y = 0; y < tgaInfo_->height && n < itemsToRender_; ++y) {
      const unsigned char* pixel = pixelAt(ccg(x, y));
      if (pixel[0] == 0) continue;
      updateAtlasValueAt(ccg(x, y), ccc3(pixel[0], pixel[1], pixel[2]), static_cast<unsigned int>(n));
      if (posToAtlasIndex_) (*posToAtlasIndex_)[positionKey(ccg(x, y))] = n;
      ++n;
    }
  }
}

void CCTileMapAtlas::updateAtlasValueAt(ccGridSize position, ccColor3B value, unsigned int index) {
  CCTexture2D* texture = this->texture();
  if (!textureAtlas_ || texture == nullptr || index >= textureAtlas_->capacity()) return;
  const float textureWide = static_cast<float>(texture->pixelsWide());
  const float textureHigh = static_cast<float>(texture->pixelsHigh());
  const float itemWide = static_cast<float>(itemWidth_);
  const float itemHigh = static_cast<float>(itemHeight_);
  // A cell wider than the sheet leaves no whole cell per row; every tile then
  // counts on one row instead of dividing by zero.
  const unsigned int perRow = itemsPerRow_ > 0 ? static_cast<unsigned int>(itemsPerRow_) : 1u;
  const unsigned int column = value.r % perRow;
  const unsigned int row = value.r / perRow;

  const float left = static_cast<float>(column) * itemWide / textureWide;
  const float right = left + itemWide / textureWide;
  const float top = static_cast<float>(row) * itemHigh / textureHigh;
  const float bottom = top + itemHigh / textureHigh;

  const float x0 = static_cast<float>(position.x) * itemWide;
  const float x1 = static_cast<float>(position.x + 1) * itemWide;
  const float y0 = static_cast<float>(position.y) * itemHigh;
  const float y1 = static_cast<float>(position.y + 1) * itemHigh;

  // The vertex colours are not drawn (the node draws in one colour).
  ccV3F_C4B_T2F_Quad quad{};
  quad.tl.texCoords = {left, top};
  quad.bl.texCoords = {left, bottom};
  quad.tr.texCoords = {right, top};
  quad.br.texCoords = {right, bottom};
  quad.bl.vertices = {x0, y0, 0.0f};
  quad.br.vertices = {x1, y0, 0.0f};
  quad.tl.vertices = {x0, y1, 0.0f};
  quad.tr.vertices = {x1, y1, 0.0f};
  quad.tl.colors = quad.bl.colors = quad.tr.colors = quad.br.colors = ccc4(255, 255, 255, 255);

  textureAtlas_->updateQuad(&quad, index);
}
