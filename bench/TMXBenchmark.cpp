// Tile maps: loading a generated 256 x 256 orthogonal map of 32 x 32 tiles
// (65,536 tiles, every one set), and drawing its layer while it scrolls.
//
//  - MapLoad/zlib, MapLoad/csv: CCTMXTiledMap::tiledMapWithTMXFile from the
//    file: XML parse, data decoding, one layer of 65,536 quads. The tileset
//    picture is decoded by the first iteration and comes from the texture
//    cache after that, as it does for every map after the first.
//  - LayerBuild: the layer alone from records already read (the tile buffer
//    copied back into the record, untimed, before each build).
//  - LayerDraw: one frame of a 480 x 320 view: the layer moved by one step
//    of a diagonal scroll, visited, glFinish(). Reports heap allocations per
//    frame (expected: 0).
//
// A headless GL ES 1.1 context (Mesa) draws into a frame-buffer object.

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "AllocationCounter.h"
#pragma GCC diagnostic pop

#include "TileMapFixture.h"

#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCTMXLayer.h"
#include "tessera/CCTMXMapInfo.h"
#include "tessera/CCTMXTiledMap.h"
#include "tessera/CCTextureCache.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

constexpr int kMapTiles = 256, kTile = 32, kViewWidth = 480, kViewHeight = 320;

// The GL context, the target and the map files, made once for the program.
struct Fixture {
  Fixture() {
    platform::facts().headless = true;
    platform::AutoreleasePool pool;
    folder = std::filesystem::temp_directory_path() / ("tessera-tmx-bench-" + std::to_string(::getpid()));
    zlibMap = bench::writeTileMap(folder / "zlib", kMapTiles, kMapTiles, kTile, false);
    csvMap = bench::writeTileMap(folder / "csv", kMapTiles, kMapTiles, kTile, true);
    context = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context || !platform::GLContext::setCurrentContext(context)) return;
    const platform::GLExtensions& gl = platform::glExtensions();
    if (!gl.glGenFramebuffersOES) return;
    glGenTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kViewWidth, kViewHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl.glGenFramebuffersOES(1, &framebuffer);
    gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
    gl.glFramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, target, 0);
    ready = gl.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES && !zlibMap.empty() &&
            !csvMap.empty();
    // The director's 2-D frame set-up.
    glViewport(0, 0, kViewWidth, kViewHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, kViewWidth, 0, kViewHeight, -1024, 1024);
    glMatrixMode(GL_MODELVIEW);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }
  ~Fixture() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  std::filesystem::path folder;
  std::string zlibMap, csvMap;
  platform::Ref<platform::GLContext> context;
  GLuint target = 0, framebuffer = 0;
  bool ready = false;
};

Fixture& fixture() {
  static Fixture* instance = new Fixture();  // kept to the end: GL names die with the process
  return *instance;
}

void BM_MapLoad(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.ready) return state.SkipWithError("no GL ES 1.1 context or map files");
  const std::string& path = state.range(0) ? f.csvMap : f.zlibMap;
  std::size_t quads = 0;
  for (auto _ : state) {
    platform::AutoreleasePool pool;
    CCTMXTiledMap* map = CCTMXTiledMap::tiledMapWithTMXFile(path);
    if (!map) return state.SkipWithError("the map was refused");
    quads = map->layerNamed("ground")->textureAtlas()->totalQuads();
  }
  if (quads != kMapTiles * kMapTiles) state.SkipWithError("wrong number of quads");
  state.counters["tiles"] = static_cast<double>(quads);
}
BENCHMARK(BM_MapLoad)->Arg(0)->Arg(1)->ArgName("csv")->Unit(benchmark::kMillisecond);

void BM_LayerBuild(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.ready) return state.SkipWithError("no GL ES 1.1 context or map files");
  platform::AutoreleasePool outer;
  CCTMXMapInfo* info = CCTMXMapInfo::formatWithTMXFile(f.zlibMap);
  CCTMXLayerInfo* record = info->layers()[0].get();
  const std::size_t count = record->tileCount();
  std::vector<std::uint32_t> tiles(record->tiles(), record->tiles() + count);
  CCTMXTilesetInfo* tileset = info->tilesets()[0].get();
  CCTextureCache::sharedTextureCache()->addImage(tileset->sourceImage());
  for (auto _ : state) {
    state.PauseTiming();
    auto* buffer = static_cast<std::uint32_t*>(std::malloc(count * sizeof(std::uint32_t)));
    std::memcpy(buffer, tiles.data(), count * sizeof(std::uint32_t));
    record->setTiles(buffer, count);
    state.ResumeTiming();
    platform::AutoreleasePool pool;
    CCTMXLayer* layer = CCTMXLayer::layerWithTilesetInfo(tileset, record, info);
    layer->setupTiles();
    benchmark::DoNotOptimize(layer->textureAtlas()->quads());
  }
}
BENCHMARK(BM_LayerBuild)->Unit(benchmark::kMillisecond);

void BM_LayerDraw(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.ready) return state.SkipWithError("no GL ES 1.1 context or map files");
  platform::AutoreleasePool pool;
  platform::Ref<CCTMXTiledMap> map = CCTMXTiledMap::tiledMapWithTMXFile(f.zlibMap);
  CCTMXLayer* layer = map->layerNamed("ground");
  int frame = 0;
  layer->visit();  // the first draw settles the GL state
  glFinish();
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) {
    ++frame;
    layer->setPosition(CGPointMake(-static_cast<float>(frame % 4000), -static_cast<float>(frame % 4000)));
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    layer->visit();
    glFinish();
  }
  state.counters["allocs/frame"] =
      static_cast<double>(bench::allocationCount() - allocationsBefore) / static_cast<double>(frame);
  state.counters["quads"] = static_cast<double>(layer->textureAtlas()->totalQuads());
}
BENCHMARK(BM_LayerDraw)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
