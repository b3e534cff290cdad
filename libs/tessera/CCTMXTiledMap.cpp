#include "tessera/CCTMXTiledMap.h"

#include "platform/Assert.h"
#include "platform/Log.h"
#include "tessera/Support/CCArray.h"

#include <algorithm>

CCTMXTiledMap* CCTMXTiledMap::tiledMapWithTMXFile(const std::string& tmxFile) {
  return platform::createAutoreleased<CCTMXTiledMap>(
      [&](CCTMXTiledMap& map) { return map.initWithTMXFile(tmxFile); });
}

bool CCTMXTiledMap::initWithTMXFile(const std::string& tmxFile) {
  CCAssert(!tmxFile.empty(), "TMXTiledMap: tmx file should not bi nil");
  if (tmxFile.empty()) return false;
  CCNode::init();
  setContentSize(CGSizeZero);

  // The reader logs why it refuses a file.
  CCTMXMapInfo* mapInfo = CCTMXMapInfo::formatWithTMXFile(tmxFile);
  if (mapInfo == nullptr) return false;
  CCAssert(!mapInfo->tilesets().empty(), "TMXTiledMap: Map not found. Please check the filename.");
  if (mapInfo->tilesets().empty()) return false;

  mapSize_ = mapInfo->mapSize();
  tileSize_ = mapInfo->tileSize();
  mapOrientation_ = mapInfo->orientation();
  objectGroups_ = mapInfo->objectGroups();
  properties_ = mapInfo->properties();
  tileProperties_ = mapInfo->tileProperties();

  std::int32_t index = 0;
  for (const platform::Ref<CCTMXLayerInfo>& layerInfo : mapInfo->layers()) {
    if (!layerInfo->visible()) continue;
    CCTMXLayer* layer = parseLayer(layerInfo.get(), mapInfo);
    if (layer == nullptr) {
      CCLOG("tessera: CCTMXTiledMap: %s: layer \"%s\" cannot be built; no map", tmxFile.c_str(),
            layerInfo->name().c_str());
      return false;
    }
    CCNode::addChild(layer, index, index);
    ++index;

    const CGSize mine = contentSize();
    const CGSize its = layer->contentSize();
    setContentSize(CGSizeMake(std::max(mine.width, its.width), std::max(mine.height, its.height)));
  }
  return true;
}

CCTMXLayer* CCTMXTiledMap::parseLayer(CCTMXLayerInfo* layerInfo, CCTMXMapInfo* mapInfo) {
  CCTMXTilesetInfo* tileset = tilesetForLayer(layerInfo, mapInfo);
  CCTMXLayer* layer = CCTMXLayer::layerWithTilesetInfo(tileset, layerInfo, mapInfo);
  if (layer == nullptr) return nullptr;
  // The layer has taken the tile numbers over.
  layerInfo->setOwnTiles(false);
  layer->setupTiles();
  return layer;
}

CCTMXTilesetInfo* CCTMXTiledMap::tilesetForLayer(CCTMXLayerInfo* layerInfo, CCTMXMapInfo* mapInfo) const {
  const std::uint32_t* tiles = layerInfo->tiles();
  const std::size_t count = tiles ? layerInfo->tileCount() : 0;
  const std::vector<platform::Ref<CCTMXTilesetInfo>>& tilesets = mapInfo->tilesets();
  for (auto it = tilesets.rbegin(); it != tilesets.rend(); ++it) {
    const std::uint32_t first = (*it)->firstGid();
    // Row by row, as the tiles are stored: the first tile at or above this
    // tileset's first number settles it.
    for (std::size_t i = 0; i < count; ++i) {
      if (tiles[i] != 0 && tiles[i] >= first) return it->get();
    }
  }
  return nullptr;
}

CCTMXLayer* CCTMXTiledMap::layerNamed(std::string_view layerName) const {
  CCArray* layers = children();
  if (!layers) return nullptr;
  for (platform::Object* object : *layers) {
    auto* layer = dynamic_cast<CCTMXLayer*>(object);
    if (layer && layer->layerName() == layerName) return layer;
  }
  return nullptr;
}

CCTMXObjectGroup* CCTMXTiledMap::objectGroupNamed(std::string_view groupName) const {
  for (const platform::Ref<CCTMXObjectGroup>& group : objectGroups_) {
    if (group->groupName() == groupName) return group.get();
  }
  return nullptr;
}

const platform::Value& CCTMXTiledMap::propertyNamed(std::string_view propertyName) const {
  return properties_.get(propertyName);
}

const platform::Value::Dict* CCTMXTiledMap::propertiesForGID(std::uint32_t gid) const {
  const auto found = tileProperties_.find(gid);
  return found != tileProperties_.end() ? &found->second : nullptr;
}
