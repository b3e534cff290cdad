#pragma once
// CCTMXTilesetInfo: one tileset of a tile map, as read from a TMX file: the
// global number of its first tile, the tile size, spacing and margin, and
// the picture the tiles are cut from. A plain record filled by CCTMXMapInfo.

#include "platform/Geometry.h"
#include "platform/Object.h"

#include <cstdint>
#include <string>

/// One tileset of a tile map, as read from a TMX file: the global number of its
/// first tile, the tile size, spacing and margin, and the picture the tiles are
/// cut from. A plain record filled by CCTMXMapInfo.
class CCTMXTilesetInfo : public platform::Object {
  PLATFORM_CLASS(CCTMXTilesetInfo, platform::Object)

 public:
  CCTMXTilesetInfo() = default;

  /// The rectangle, in pixels of the tileset picture, of the tile with global
  /// number `gid`. Tiles are laid out row by row from the top left, `margin`
  /// pixels from the picture's edges and `spacing` pixels apart; the number
  /// of tiles in a row is what fits in imageSize().width. A tileset whose
  /// picture size is not known yet (or narrower than one tile) counts one
  /// tile per row, so this never divides by zero. The size is tileSize().
  CGRect rectForGID(uint32_t gid) const;

  /// The tileset's name. Default "".
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  /// Global number of the first tile. Default 0.
  uint32_t firstGid() const { return firstGid_; }
  void setFirstGid(uint32_t firstGid) { firstGid_ = firstGid; }
  /// Size of one tile in pixels. Default (0, 0).
  CGSize tileSize() const { return tileSize_; }
  void setTileSize(CGSize tileSize) { tileSize_ = tileSize; }
  /// Pixels between neighbouring tiles. Default 0.
  uint32_t spacing() const { return spacing_; }
  void setSpacing(uint32_t spacing) { spacing_ = spacing; }
  /// Pixels between the picture's edges and the tiles. Default 0.
  uint32_t margin() const { return margin_; }
  void setMargin(uint32_t margin) { margin_ = margin; }
  /// Path of the tileset picture (relative to the file that named it, joined
  /// onto that file's folder). Default "".
  const std::string& sourceImage() const { return sourceImage_; }
  void setSourceImage(std::string sourceImage) { sourceImage_ = std::move(sourceImage); }
  /// Size of the picture in pixels, set by whoever loads it. Default (0, 0).
  CGSize imageSize() const { return imageSize_; }
  void setImageSize(CGSize imageSize) { imageSize_ = imageSize; }

 private:
  std::string name_;
  uint32_t firstGid_ = 0;
  CGSize tileSize_{};
  uint32_t spacing_ = 0;
  uint32_t margin_ = 0;
  std::string sourceImage_;
  CGSize imageSize_{};
};
