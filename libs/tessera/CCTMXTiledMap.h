#pragma once
// CCTMXTiledMap: a tile map read from a TMX file, as a node with one
// CCTMXLayer child per visible layer, plus the map's object groups and
// properties and the properties of single tiles.

#include "platform/Geometry.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "tessera/CCNode.h"
#include "tessera/CCTMXLayer.h"
#include "tessera/CCTMXMapInfo.h"
#include "tessera/CCTMXObjectGroup.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// A tile map read from a TMX file, as a node with one CCTMXLayer child per
/// visible layer, plus the map's object groups and properties and the properties
/// of single tiles.
///
/// Layers are added in file order with z and tag both equal to their place
/// among the visible layers (0, 1, ...). Each layer uses the one tileset its
/// tiles come from: walking the tilesets from the last to the first, the
/// first one whose first global number is at or below some tile of the
/// layer. The map's content size covers every layer.
///
/// Cost: everything is built when the map is made (see CCTMXLayer); the map
/// itself adds nothing per frame.
///
/// Main thread only.
class CCTMXTiledMap : public CCNode {
  PLATFORM_CLASS(CCTMXTiledMap, CCNode)

 public:
  /// The map of `tmxFile` (a resource name, resolved through CCFileUtils),
  /// autoreleased, or nullptr (see initWithTMXFile()).
  /// \param tmxFile the TMX file, looked up like any resource.
  static CCTMXTiledMap* tiledMapWithTMXFile(const std::string& tmxFile);

  CCTMXTiledMap() = default;

  /// Node defaults and content size (0, 0), then reads the file and builds
  /// its visible layers. Expects a file name ("TMXTiledMap: tmx file should
  /// not bi nil") and, in a file that can be read, at least one tileset
  /// ("TMXTiledMap: Map not found. Please check the filename."). Returns
  /// false, having logged why, when the reader refuses the file or a layer
  /// cannot be built (its data does not fit its size, its tileset picture
  /// cannot be loaded).
  /// \param tmxFile the TMX file, looked up like any resource.
  bool initWithTMXFile(const std::string& tmxFile);

  /// The first child that is a layer named `layerName`, or nullptr.
  /// \param layerName the layer's name in the file.
  CCTMXLayer* layerNamed(std::string_view layerName) const;
  /// The first object group named `groupName`, or nullptr.
  /// \param groupName the object group's name in the file.
  CCTMXObjectGroup* objectGroupNamed(std::string_view groupName) const;
  /// The same as objectGroupNamed().
  /// \param groupName the object group's name in the file.
  CCTMXObjectGroup* groupNamed(std::string_view groupName) const { return objectGroupNamed(groupName); }
  /// The map property `propertyName`, or the shared null (reads as "" / 0).
  /// \param propertyName the property's name.
  const platform::Value& propertyNamed(std::string_view propertyName) const;
  /// The properties of the tile with global number `gid`, or nullptr when it
  /// has none. Valid while the map lives.
  /// \param gid a global tile number.
  const platform::Value::Dict* propertiesForGID(std::uint32_t gid) const;

  /// Map size in tiles.
  CGSize mapSize() const { return mapSize_; }
  /// Tile size in pixels.
  CGSize tileSize() const { return tileSize_; }
  /// CCTMXOrientationOrtho, ...Hex or ...Iso.
  std::int32_t mapOrientation() const { return mapOrientation_; }
  /// The object groups in file order (the records are shared, retained).
  const std::vector<platform::Ref<CCTMXObjectGroup>>& objectGroups() const { return objectGroups_; }
  void setObjectGroups(std::vector<platform::Ref<CCTMXObjectGroup>> groups) { objectGroups_ = std::move(groups); }
  /// The map's properties in file order.
  const platform::Value::Dict& properties() const { return properties_; }
  void setProperties(platform::Value::Dict properties) { properties_ = std::move(properties); }

 private:
  /// The layer for `layerInfo` with its quads, or nullptr (logged).
  CCTMXLayer* parseLayer(CCTMXLayerInfo* layerInfo, CCTMXMapInfo* mapInfo);
  /// The tileset the layer's tiles use, or nullptr when none does.
  CCTMXTilesetInfo* tilesetForLayer(CCTMXLayerInfo* layerInfo, CCTMXMapInfo* mapInfo) const;

  CGSize mapSize_{};
  CGSize tileSize_{};
  std::int32_t mapOrientation_ = CCTMXOrientationOrtho;
  std::vector<platform::Ref<CCTMXObjectGroup>> objectGroups_;
  platform::Value::Dict properties_;
  CCTMXMapInfo::TileProperties tileProperties_;
};
