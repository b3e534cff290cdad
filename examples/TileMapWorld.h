#pragma once
// A scrolling tile-map world shared by the tile-map example and the demo
// browser: a generated TMX map (ground and trees) scrolled inside a parallax
// node over slower hills, a tile changed at run time, and a motion streak
// that follows the pointer or traces loops on its own. writeResources()
// generates the map, its tileset, the hills and the streak's image.

#include "platform/Image.h"
#include "platform/Ref.h"
#include "platform/Touch.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayer.h"
#include "tessera/CCMotionStreak.h"
#include "tessera/CCParallaxNode.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTMXTiledMap.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tilemap_world {

namespace fs = std::filesystem;

// [SECTION] Generated resources

inline constexpr int kTile = 32, kMapWidth = 60, kMapHeight = 40;
// Sky shown above the map at the top of the scroll, points.
inline constexpr float kSky = 240;
// Tileset picture: 4 tiles in a row: grass, water, sand, tree (on clear).
inline constexpr std::uint32_t kGrass = 1, kWater = 2, kSand = 3, kTree = 4;

/// The folder the generated map and pictures are written to.
inline fs::path g_folder;

// Writes straight RGBA pixels (top row first) as a PNG; false on failure.
inline bool writePNG(const fs::path& path, int width, int height,
              const std::function<void(int x, int y, std::uint8_t* rgba)>& pixelAt) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 4));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixelAt(x, y, &pixels[static_cast<std::size_t>((y * width + x) * 4)]);
  }
  platform::Ref<platform::Image> image = platform::Image::imageWithPixels(
      width, height, platform::PixelLayout::RGBA, static_cast<std::size_t>(width * 4),
      std::span<const std::uint8_t>(pixels));
  const auto png = image ? image->encodePNG() : std::nullopt;
  if (!png) return false;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
  return static_cast<bool>(out);
}

inline void setPixel(std::uint8_t* p, int r, int g, int b, int a = 255) {
  p[0] = static_cast<std::uint8_t>(r);
  p[1] = static_cast<std::uint8_t>(g);
  p[2] = static_cast<std::uint8_t>(b);
  p[3] = static_cast<std::uint8_t>(a);
}

inline void tilesetPixel(int x, int y, std::uint8_t* p) {
  const int tile = x / kTile, u = x % kTile, v = y % kTile;
  const int speckle = ((u * 7 + v * 13) % 11 == 0) ? 20 : 0;
  switch (tile) {
    case 0:  // grass
      setPixel(p, 60 + speckle, 150 + speckle, 60);
      break;
    case 1:  // water, with a ripple
      setPixel(p, 40, 90 + ((u + v) % 8 == 0 ? 40 : 0), 200);
      break;
    case 2:  // sand
      setPixel(p, 220 - speckle, 200 - speckle, 130);
      break;
    default: {  // a round tree top on a trunk, clear around
      const float dx = static_cast<float>(u) - 15.5f, dy = static_cast<float>(v) - 12.0f;
      if (dx * dx + dy * dy < 110) {
        setPixel(p, 20, 100 + speckle * 2, 30);
      } else if (v > 20 && u >= 14 && u <= 17) {
        setPixel(p, 110, 70, 30);
      } else {
        setPixel(p, 0, 0, 0, 0);
      }
    }
  }
}

// Ponds and beaches from a smooth pattern; trees scattered on the grass.
inline std::uint32_t groundAt(int column, int row) {
  const float x = static_cast<float>(column), y = static_cast<float>(row);
  const float height = std::sin(x * 0.21f) + std::cos(y * 0.27f) + 0.6f * std::sin((x + y) * 0.13f);
  return height < -0.9f ? kWater : height < -0.6f ? kSand : kGrass;
}
inline std::uint32_t treeAt(int column, int row) {
  return groundAt(column, row) == kGrass && (column * 31 + row * 17) % 23 == 0 ? kTree : 0;
}

inline std::string csv(const std::function<std::uint32_t(int, int)>& tileAt) {
  std::string text;
  for (int row = 0; row < kMapHeight; ++row) {
    for (int column = 0; column < kMapWidth; ++column) {
      text += std::to_string(tileAt(column, row));
      if (row != kMapHeight - 1 || column != kMapWidth - 1) text += ',';
    }
    text += '\n';
  }
  return text;
}

// The map, the tileset, the hills and the streak's dot, written into
// `folder` (which becomes g_folder); false on failure.
inline bool writeResources(const fs::path& folder) {
  g_folder = folder;
  std::error_code error;
  fs::create_directories(g_folder, error);
  if (error) return false;
  if (!writePNG(g_folder / "tiles.png", kTile * 4, kTile, tilesetPixel)) return false;
  // Hills: two bands of rounded tops on a clear sky.
  if (!writePNG(g_folder / "hills.png", 512, 256, [](int x, int y, std::uint8_t* p) {
        const float fx = static_cast<float>(x);
        const float far = 120 + 40 * std::sin(fx * 0.02f) + 15 * std::sin(fx * 0.07f);
        const float near = 190 + 25 * std::sin(fx * 0.035f + 1);
        const float fy = static_cast<float>(y);
        if (fy > near) setPixel(p, 40, 80, 60);
        else if (fy > far) setPixel(p, 90, 110, 150);
        else setPixel(p, 0, 0, 0, 0);
      })) {
    return false;
  }
  if (!writePNG(g_folder / "dot.png", 16, 16, [](int x, int y, std::uint8_t* p) {
        const float dx = static_cast<float>(x) - 7.5f, dy = static_cast<float>(y) - 7.5f;
        const float alpha = std::fmax(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy) / 8.0f);
        setPixel(p, 255, 255, 255, static_cast<int>(alpha * 255));
      })) {
    return false;
  }
  std::ofstream map(g_folder / "map.tmx", std::ios::binary);
  map << "<?xml version=\"1.0\"?>\n<map version=\"1.0\" orientation=\"orthogonal\" width=\"" << kMapWidth
      << "\" height=\"" << kMapHeight << "\" tilewidth=\"" << kTile << "\" tileheight=\"" << kTile << "\">\n"
      << "<tileset firstgid=\"1\" name=\"terrain\" tilewidth=\"" << kTile << "\" tileheight=\"" << kTile
      << "\"><image source=\"tiles.png\"/></tileset>\n"
      << "<layer name=\"ground\" width=\"" << kMapWidth << "\" height=\"" << kMapHeight
      << "\"><data encoding=\"csv\">" << csv(groundAt) << "</data></layer>\n"
      << "<layer name=\"trees\" width=\"" << kMapWidth << "\" height=\"" << kMapHeight
      << "\"><data encoding=\"csv\">" << csv(treeAt) << "</data></layer>\n</map>\n";
  return static_cast<bool>(map);
}

// [SECTION] The scene

// Scrolls the world, moves the streak and takes the pointer.
class TileMapLayer : public CCLayer {
  PLATFORM_CLASS(TileMapLayer, CCLayer)

 public:
  CC_NODE_FACTORY(TileMapLayer)

  bool init() override {
    if (!CCLayer::init()) return false;
    const std::string folder = g_folder.string() + "/";
    CCTMXTiledMap* map = CCTMXTiledMap::tiledMapWithTMXFile(folder + "map.tmx");
    CCSprite* hills = CCSprite::spriteWithFile(folder + "hills.png");
    streak_ = CCMotionStreak::streakWithFade(0.6f, 3, folder + "dot.png", 14, 32, ccColor4B{255, 230, 120, 255});
    if (!map || !hills || !streak_) return false;
    map_ = map;

    // A run-time edit: a pond near the top of the map, where the view starts.
    CCTMXLayer* ground = map->layerNamed("ground");
    for (int column = 12; column < 17; ++column) {
      for (int row = 3; row < 6; ++row) ground->setTileGID(kWater, CGPointMake(column, row));
    }

    // The hills scroll at a quarter of the map's speed, wide enough to stay
    // behind the whole scroll, their foot just below the map's top edge when
    // the view is at the top.
    world_ = CCParallaxNode::node();
    hills->setAnchorPoint(CGPointZero);
    hills->setScale(1.5f);
    // On the screen a child sits at scroll x ratio + offset.
    const float windowHeight = CCDirector::sharedDirector()->winSize().height;
    const float topScroll = std::fmax(0.0f, map->contentSize().height - windowHeight) + kSky;
    world_->addChild(hills, -1, CGPointMake(0.25f, 0.25f),
                     CGPointMake(0, windowHeight - kSky - 40 + 0.25f * topScroll));
    world_->addChild(map, 0, CGPointMake(1, 1), CGPointZero);
    addChild(world_, 0);
    addChild(streak_, 1);

    setIsTouchEnabled(true);
    scheduleUpdate();
    return true;
  }

  unsigned touchesSelectorMask() const override {
    return kCCTouchSelectorBeganBit | kCCTouchSelectorMovedBit | kCCTouchSelectorEndedBit |
           kCCTouchSelectorCancelledBit;
  }
  void ccTouchesBegan(platform::TouchSet* touches, platform::Event*) override { follow(touches); }
  void ccTouchesMoved(platform::TouchSet* touches, platform::Event*) override { follow(touches); }
  void ccTouchesEnded(platform::TouchSet*, platform::Event*) override { pointerDown_ = false; }
  void ccTouchesCancelled(platform::TouchSet*, platform::Event*) override { pointerDown_ = false; }

  void update(float dt) override {
    time_ += dt;
    // Scroll across the map and back, starting at its top-left corner.
    const CGSize window = CCDirector::sharedDirector()->winSize();
    const CGSize map = map_->contentSize();
    const float roomX = std::fmax(0.0f, map.width - window.width);
    // Vertically the scroll also shows the sky (and the hills) above the map.
    const float roomY = std::fmax(0.0f, map.height - window.height) + kSky;
    const float phase = time_ * 0.08f;
    world_->setPosition(CGPointMake(-roomX * (0.5f - 0.5f * std::cos(phase * 6.2831853f)),
                                    -roomY * (0.5f + 0.5f * std::cos(phase * 0.7f * 6.2831853f))));
    if (!pointerDown_) {
      streak_->setPosition(CGPointMake(window.width * (0.5f + 0.35f * std::sin(time_ * 1.7f)),
                                       window.height * (0.5f + 0.35f * std::sin(time_ * 2.3f))));
    }
  }

 private:
  void follow(platform::TouchSet* touches) {
    platform::Touch* touch = touches->anyObject();
    if (!touch) return;
    CCDirector* director = CCDirector::sharedDirector();
    pointerDown_ = true;
    streak_->setPosition(director->convertToGL(touch->locationInView(director->openGLView())));
  }

  CCParallaxNode* world_ = nullptr;  // children: retained by the node tree
  CCTMXTiledMap* map_ = nullptr;
  CCMotionStreak* streak_ = nullptr;
  float time_ = 0;
  bool pointerDown_ = false;
};

}  // namespace tilemap_world
