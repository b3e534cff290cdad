#pragma once
// CCTMXLayerInfo: one tile layer of a tile map, as read from a TMX file: its
// name, size in tiles, visibility, opacity, offset, properties and the
// decoded grid of global tile numbers (row by row from the top left, 0 for
// an empty cell). A plain record filled by CCTMXMapInfo.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Value.h"

#include <cstddef>
#include <cstdint>
#include <string>

/// One tile layer of a tile map, as read from a TMX file: its name, size in
/// tiles, visibility, opacity, offset, properties and the decoded grid of global
/// tile numbers (row by row from the top left, 0 for an empty cell). A plain
/// record filled by CCTMXMapInfo.
///
/// The tile buffer is a malloc'd array of tileCount() numbers in host byte
/// order. The record frees it when destroyed while ownTiles() is true; a
/// layer node that takes the buffer over calls setOwnTiles(false). The reader
/// does not check tileCount() against the layer size: whoever indexes the
/// grid must.
class CCTMXLayerInfo : public platform::Object {
  PLATFORM_CLASS(CCTMXLayerInfo, platform::Object)

 public:
  CCTMXLayerInfo() = default;

  /// The layer's name. Default "".
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  /// Size in tiles. Default (0, 0).
  CGSize layerSize() const { return layerSize_; }
  void setLayerSize(CGSize layerSize) { layerSize_ = layerSize; }
  /// The decoded tile numbers, or nullptr when the layer has none (no data,
  /// or data that could not be decoded).
  uint32_t* tiles() const { return tiles_; }
  /// How many numbers tiles() holds. 0 without tiles.
  std::size_t tileCount() const { return tileCount_; }
  /// Replaces the tile buffer with `tiles` (malloc'd, `count` numbers), which
  /// the record now owns; the previous buffer is freed if owned.
  void setTiles(uint32_t* tiles, std::size_t count);
  /// Whether the record frees the tile buffer when destroyed. Default true.
  bool ownTiles() const { return ownTiles_; }
  void setOwnTiles(bool ownTiles) { ownTiles_ = ownTiles; }
  /// Default true.
  bool visible() const { return visible_; }
  void setVisible(bool visible) { visible_ = visible; }
  /// 0 (transparent) to 255 (opaque). Default 255.
  uint8_t opacity() const { return opacity_; }
  void setOpacity(uint8_t opacity) { opacity_ = opacity; }
  /// Smallest and largest global number in the layer, filled in by the layer
  /// node. Defaults 100000 and 0.
  uint32_t minGID() const { return minGID_; }
  void setMinGID(uint32_t gid) { minGID_ = gid; }
  uint32_t maxGID() const { return maxGID_; }
  void setMaxGID(uint32_t gid) { maxGID_ = gid; }
  /// The layer's properties, name to string value, in file order.
  const platform::Value::Dict& properties() const { return properties_; }
  platform::Value::Dict& properties() { return properties_; }
  /// The layer's offset in tiles. Default (0, 0).
  CGPoint offset() const { return offset_; }
  void setOffset(CGPoint offset) { offset_ = offset; }

 protected:
  /// dealloc: frees the tile buffer when the record owns it.
  ~CCTMXLayerInfo() override;

 private:
  std::string name_;
  CGSize layerSize_{};
  uint32_t* tiles_ = nullptr;
  std::size_t tileCount_ = 0;
  bool visible_ = true;
  uint8_t opacity_ = 255;
  bool ownTiles_ = true;
  uint32_t minGID_ = 100000;
  uint32_t maxGID_ = 0;
  platform::Value::Dict properties_;
  CGPoint offset_{};
};
