// Tile map, parallax and motion streak: the tile-map example's world (a
// generated map scrolling over slower hills, with a streak following the
// pointer), its files written once into the demos' folder.

#include "../TileMapWorld.h"
#include "Demos.h"
#include "tessera/CCLayerColor.h"

CCNode* makeTileMapDemo() {
  static bool written = false;
  if (!written) {
    written = tilemap_world::writeResources(std::filesystem::path(demoFolder()) / "tilemap");
    if (!written) return nullptr;
  }
  CCNode* root = CCNode::node();
  root->addChild(CCLayerColor::layerWithColor(ccColor4B{120, 170, 230, 255}), -1);
  tilemap_world::TileMapLayer* world = tilemap_world::TileMapLayer::node();
  if (!world) return nullptr;
  root->addChild(world);
  return root;
}
