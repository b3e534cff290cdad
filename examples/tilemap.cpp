// tessera [tile maps] example: a scrolling tile map over a slower
// background, with a motion streak that follows the pointer.
//
// Shows: a TMX map (two layers: ground and trees) read with
// CCTMXTiledMap, scrolled inside a CCParallaxNode whose background hills
// move at a quarter of the map's speed, a tile changed at run time
// (setTileGID), and a CCMotionStreak trailing the pointer while a button or
// finger is down, or tracing loops on its own otherwise. The map, its
// tileset picture, the hills and the streak's image are generated when the
// program starts, into a temporary folder that is removed at exit.
//
// Usage: tilemap [--frames N] [--capture FILE]
//   --frames N      quit after N frames (CI runs it headless with --frames 2:
//                   SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//   --capture FILE  write the screen after two seconds (on a fake clock, so
//                   the picture is the same every time) as a PNG, then quit

#include "ExampleApplication.h"
#include "TileMapWorld.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCScene.h"

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace tilemap_world;

class TileMapScene : public ExampleScene {
  PLATFORM_CLASS(TileMapScene, ExampleScene)

 public:
  CC_NODE_FACTORY(TileMapScene)

  bool init() override {
    if (!ExampleScene::init()) return false;
    addChild(CCLayerColor::layerWithColor(ccColor4B{120, 170, 230, 255}), -1);
    TileMapLayer* layer = TileMapLayer::node();
    if (!layer) return false;
    addChild(layer);
    return true;
  }
};

class TileMapDelegate : public ExampleDelegate {
  PLATFORM_CLASS(TileMapDelegate, ExampleDelegate)

 protected:
  CCScene* firstScene() override {
    const fs::path folder = fs::temp_directory_path() / ("tessera-tilemap-example-" + std::to_string(::getpid()));
    return writeResources(folder) ? TileMapScene::node() : nullptr;
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> forwarded = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--capture") == 0 && i + 1 < argc) {
      platform::Facts& facts = platform::facts();
      facts.captureFile = argv[++i];  // taken from the working directory
      facts.captureAt = 2.0;
      facts.fakeClock = true;
    } else {
      forwarded.push_back(argv[i]);
    }
  }
  forwarded.push_back(nullptr);
  const int status = runExample(static_cast<int>(forwarded.size()) - 1, forwarded.data(), "TileMapDelegate");
  std::error_code ignored;
  if (!g_folder.empty()) fs::remove_all(g_folder, ignored);
  return status;
}
