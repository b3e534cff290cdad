// A tile map read from a TMX file: two layers (ground and trees), a pond
// drained at start, one tree that sways, the map sliding to and fro; a tap on
// a tile turns it to sand.

#include "GuideApp.h"
#include "platform/Touch.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayer.h"
#include "tessera/CCMoveBy.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCScene.h"
#include "tessera/CCSequence.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTMXLayer.h"
#include "tessera/CCTMXTiledMap.h"

#include <cmath>

namespace {

// Global tile numbers of the tileset: its first tile is number 1.
constexpr std::uint32_t kGrass = 1, kWater = 2, kSand = 3;

class MapLayer : public CCLayer {
  PLATFORM_CLASS(MapLayer, CCLayer)

 public:
  CC_NODE_FACTORY(MapLayer)

  // [guide:map]
  bool init() override {
    if (!CCLayer::init()) return false;
    map_ = CCTMXTiledMap::tiledMapWithTMXFile("guide-map.tmx");
    if (map_ == nullptr) return false;
    addChild(map_);

    // Tile positions count columns from the left and rows from the top.
    CCTMXLayer* ground = map_->layerNamed("ground");
    for (float column = 0; column < map_->mapSize().width; ++column) {
      for (float row = 0; row < map_->mapSize().height; ++row) {
        const CGPoint tile = CGPointMake(column, row);
        if (ground->tileGIDAt(tile) == kWater) ground->setTileGID(kGrass, tile);
      }
    }

    // A tile asked for as a sprite can be moved, tinted or animated.
    CCTMXLayer* trees = map_->layerNamed("trees");
    if (CCSprite* tree = trees->tileAt(CGPointMake(0, 0))) {
      tree->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(CCSequence::actions({
          CCRotateBy::actionWithDuration(0.5f, 8),
          CCRotateBy::actionWithDuration(0.5f, -8),
      }))));
    }

    // Slide the map left and back again, for ever.
    map_->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(CCSequence::actions({
        CCMoveBy::actionWithDuration(3, CGPointMake(-160, 0)),
        CCMoveBy::actionWithDuration(3, CGPointMake(160, 0)),
    }))));
    setIsTouchEnabled(true);
    return true;
  }
  // [guide:end]

  // [guide:tap]
  unsigned touchesSelectorMask() const override { return kCCTouchSelectorEndedBit; }

  void ccTouchesEnded(platform::TouchSet* touches, platform::Event*) override {
    platform::Touch* touch = touches->anyObject();
    if (touch == nullptr) return;
    // From the touch to the map's own coordinates (y up), then to a tile.
    const CGPoint inMap = map_->convertTouchToNodeSpace(touch);
    const CGSize tileSize = map_->tileSize();
    const float column = std::floor(inMap.x / tileSize.width);
    const float row = std::floor(map_->mapSize().height - inMap.y / tileSize.height);
    if (column < 0 || row < 0 || column >= map_->mapSize().width || row >= map_->mapSize().height) return;
    map_->layerNamed("ground")->setTileGID(kSand, CGPointMake(column, row));
  }
  // [guide:end]

 private:
  CCTMXTiledMap* map_ = nullptr;  // a child of the layer, which keeps it
};

class MapScene : public CCScene {
  PLATFORM_CLASS(MapScene, CCScene)

 public:
  CC_NODE_FACTORY(MapScene)

  bool init() override {
    if (!CCScene::init()) return false;
    CCLayer* layer = MapLayer::node();
    if (layer == nullptr) return false;
    addChild(layer);
    return true;
  }
};

class MapDelegate : public GameDelegate {
  PLATFORM_CLASS(MapDelegate, GameDelegate)

 protected:
  CCScene* firstScene() override { return MapScene::node(); }
};

}  // namespace

int main(int argc, char** argv) { return runGame(argc, argv, "MapDelegate"); }
