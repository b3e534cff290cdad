// Tile storm: frame times of one scrolling tile map drawn by the engine and
// by SFML 2.5, each into a 480 x 320 window on the same X server, through
// Mesa's GL. Each renderer runs in a child process of its own, so neither
// inherits the other's GL or heap state.
//
// The map, the same on both sides: N x N orthogonal tiles of 32 x 32 pixels
// (default 256 x 256: 65,536 tiles, every one set), cut from one 256 x 32
// tileset picture, written by this program as a TMX file. Every frame the
// view scrolls by (3, 2) pixels, bouncing inside the map. A frame is timed
// from before the scroll to after glFinish() following the present. Warm-up
// frames are not timed.
//
//   engine: CCTMXTiledMap::tiledMapWithTMXFile in a scene run by the
//     platform director, attached to a platform window; the map's position
//     moved, then drawScene() per frame.
//   SFML: the tile map of SFML's tutorial: one sf::VertexArray of sf::Quads
//     (four vertices per tile, texture coordinates from the tile number)
//     built once from the same tile numbers, drawn with one draw() through
//     an sf::View whose centre moves every frame, then display().
//
// Also reports the time to make the map: for the engine, the TMX file read
// and built into a layer; for SFML, the vertex array built from the tile
// numbers (already in memory) and the tileset loaded.
//
// Usage (needs an X display):
//   xvfb-run -a -s "-screen 0 1024x768x24" TileStorm [--frames 300]
//       [--sizes 64,256] [--engines tessera,sfml]
// Prints a Markdown table of median and 90th-percentile frame times.
//
// [SECTION] The map and the timing
// [SECTION] Engine
// [SECTION] SFML
// [SECTION] Main

#include "TileMapFixture.h"

#include "storm/ChildProcess.h"
#include "storm/EngineWindow.h"
#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCScene.h"
#include "tessera/CCTMXTiledMap.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <SFML/Graphics.hpp>
#include <SFML/OpenGL.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

// [SECTION] The map and the timing

constexpr int kWidth = 480, kHeight = 320, kTile = 32;
constexpr int kWarmupFrames = 30;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The view's bottom-left corner in map pixels (y up) at `frame`: a diagonal
// scroll that bounces off the map's edges.
void scrollAt(int frame, int mapPixels, float* x, float* y) {
  const auto bounce = [](int travelled, int room) {
    if (room <= 0) return 0;
    const int period = travelled % (2 * room);
    return period < room ? period : 2 * room - period;
  };
  *x = static_cast<float>(bounce(frame * 3, mapPixels - kWidth));
  *y = static_cast<float>(bounce(frame * 2, mapPixels - kHeight));
}

struct Timing {
  double median = 0, p90 = 0, load = 0;
  std::string renderer, error;
};

template <class Frame>
void timeFrames(int frames, Timing* timing, Frame&& frame) {
  int index = 0;
  for (int i = 0; i < kWarmupFrames; ++i) frame(index++);
  std::vector<double> times;
  times.reserve(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const Clock::time_point start = Clock::now();
    frame(index++);
    times.push_back(millisecondsSince(start));
  }
  std::sort(times.begin(), times.end());
  timing->median = times[times.size() / 2];
  timing->p90 = times[times.size() * 9 / 10];
}

// [SECTION] Engine

Timing runTessera(const std::string& mapFile, int tiles, int frames) {
  Timing timing;
  platform::AutoreleasePool pool;
  const storm::EngineWindow engine = storm::openEngineWindow(kWidth, kHeight);
  timing.renderer = engine.renderer;
  if (!engine.error.empty()) {
    timing.error = engine.error;
    return timing;
  }
  CCDirectorIOS* director = engine.director;

  const Clock::time_point loadStart = Clock::now();
  CCTMXTiledMap* map = CCTMXTiledMap::tiledMapWithTMXFile(mapFile);
  timing.load = millisecondsSince(loadStart);
  if (!map) {
    timing.error = "the map was refused";
    return timing;
  }
  CCScene* scene = CCScene::node();
  scene->addChild(map);
  glClearColor(0, 0, 0, 1);
  director->runWithScene(scene);
  director->drawScene();

  const int mapPixels = tiles * kTile;
  timeFrames(frames, &timing, [&](int frame) {
    platform::RunLoop::main().runOnce(false);
    float x = 0, y = 0;
    scrollAt(frame, mapPixels, &x, &y);
    map->setPosition(CGPointMake(-x, -y));
    director->drawScene();
    glFinish();
  });
  return timing;
}

// [SECTION] SFML

Timing runSfml(const std::string& tilesetFile, int tiles, int frames) {
  Timing timing;
  sf::RenderWindow window(sf::VideoMode(kWidth, kHeight), "TileStorm: SFML", sf::Style::Titlebar | sf::Style::Close);
  if (!window.isOpen() || !window.setActive(true)) {
    timing.error = "SFML could not open its window";
    return timing;
  }
  if (const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER))) timing.renderer = renderer;

  // The tile numbers as a map loader would hand them over.
  std::vector<std::uint32_t> numbers;
  numbers.reserve(static_cast<std::size_t>(tiles) * tiles);
  for (int row = 0; row < tiles; ++row) {
    for (int column = 0; column < tiles; ++column) numbers.push_back(bench::tileAt(column, row));
  }

  // SFML's tile-map tutorial: load the tileset, then four vertices per tile.
  const Clock::time_point loadStart = Clock::now();
  sf::Texture tileset;
  if (!tileset.loadFromFile(tilesetFile)) {
    timing.error = "SFML could not load the tileset";
    return timing;
  }
  sf::VertexArray vertices(sf::Quads, static_cast<std::size_t>(tiles) * tiles * 4);
  const unsigned int perRow = tileset.getSize().x / kTile;
  for (int row = 0; row < tiles; ++row) {
    for (int column = 0; column < tiles; ++column) {
      const std::uint32_t number = numbers[static_cast<std::size_t>(row) * tiles + column] - 1;
      const float tu = static_cast<float>(number % perRow), tv = static_cast<float>(number / perRow);
      sf::Vertex* quad = &vertices[(static_cast<std::size_t>(row) * tiles + column) * 4];
      const float x = static_cast<float>(column * kTile), y = static_cast<float>(row * kTile);
      quad[0].position = {x, y};
      quad[1].position = {x + kTile, y};
      quad[2].position = {x + kTile, y + kTile};
      quad[3].position = {x, y + kTile};
      quad[0].texCoords = {tu * kTile, tv * kTile};
      quad[1].texCoords = {(tu + 1) * kTile, tv * kTile};
      quad[2].texCoords = {(tu + 1) * kTile, (tv + 1) * kTile};
      quad[3].texCoords = {tu * kTile, (tv + 1) * kTile};
    }
  }
  timing.load = millisecondsSince(loadStart);

  sf::View view(sf::FloatRect(0, 0, kWidth, kHeight));
  const int mapPixels = tiles * kTile;
  sf::RenderStates states;
  states.texture = &tileset;
  timeFrames(frames, &timing, [&](int frame) {
    for (sf::Event event; window.pollEvent(event);) {
    }
    float x = 0, y = 0;
    scrollAt(frame, mapPixels, &x, &y);
    // SFML's y points down: the same view corner measured from the map's top.
    view.setCenter(x + kWidth / 2.0f, static_cast<float>(mapPixels) - y - kHeight / 2.0f);
    window.setView(view);
    window.clear(sf::Color::Black);
    window.draw(vertices, states);
    window.display();
    glFinish();
  });
  window.setActive(false);
  return timing;
}

// [SECTION] Main

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, ',');) parts.push_back(part);
  return parts;
}

// Runs one renderer at one map size in a child process; its result comes
// back as three lines through a pipe.
Timing runChild(const std::string& engine, const std::filesystem::path& folder, int tiles, int frames) {
  const storm::ChildReport child = storm::reportFromChild([&] {
    const Timing t = engine == "sfml" ? runSfml((folder / "tiles.png").string(), tiles, frames)
                                      : runTessera((folder / "map.tmx").string(), tiles, frames);
    return std::to_string(t.median) + " " + std::to_string(t.p90) + " " + std::to_string(t.load) + "\n" +
           t.renderer + "\n" + t.error + "\n";
  });
  if (!child.started) return Timing{0, 0, 0, "", "no pipe or child process"};
  Timing timing;
  std::stringstream stream(child.text);
  std::string first;
  std::getline(stream, first);
  std::getline(stream, timing.renderer);
  std::getline(stream, timing.error);
  if (std::sscanf(first.c_str(), "%lf %lf %lf", &timing.median, &timing.p90, &timing.load) != 3 &&
      timing.error.empty()) {
    timing.error = "the child ended without a result (status " + std::to_string(child.status) + ")";
  }
  return timing;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = 300;
  std::vector<std::string> sizes = {"64", "256"}, engines = {"tessera", "sfml"};
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--frames")) frames = std::max(1, std::atoi(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--sizes")) sizes = split(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--engines")) engines = split(argv[i + 1]);
  }
  if (platform::facts().resourceDir.empty()) platform::facts().resourceDir = TESSERA_STORM_RESOURCES;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("tessera-tilestorm-" + std::to_string(::getpid()));
  bool failed = false;
  std::printf("| map | renderer | median ms | p90 ms | load ms |\n|---|---|---:|---:|---:|\n");
  std::string renderers;
  for (const std::string& sizeText : sizes) {
    const int tiles = std::max(1, std::atoi(sizeText.c_str()));
    const std::filesystem::path folder = root / sizeText;
    {
      platform::AutoreleasePool pool;
      if (bench::writeTileMap(folder, tiles, tiles, kTile, false).empty()) {
        std::printf("| %d x %d | - | failed: cannot write the map | | |\n", tiles, tiles);
        failed = true;
        continue;
      }
    }
    for (const std::string& engine : engines) {
      const Timing t = runChild(engine, folder, tiles, frames);
      if (!t.error.empty()) {
        std::printf("| %d x %d | %s | failed: %s | | |\n", tiles, tiles, engine.c_str(), t.error.c_str());
        failed = true;
        continue;
      }
      std::printf("| %d x %d | %s | %.2f | %.2f | %.1f |\n", tiles, tiles, engine.c_str(), t.median, t.p90, t.load);
      std::fflush(stdout);
      if (renderers.find(engine) == std::string::npos) renderers += engine + ": " + t.renderer + "\n";
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  std::printf("\n%s", renderers.c_str());
  return failed ? 1 : 0;
}
