// Sprite batch updates: N sprites (1,000 / 10,000 / 50,000) in batch nodes,
// every sprite moved and turned before every frame and then the batch's
// per-frame pass (visit: each dirty sprite rebuilds its quad in the atlas),
// beside the same pass when nothing moved and when sprites only move.
// Reports nanoseconds per sprite and heap allocations per frame (expected: 0).
//
// CPU only: no GL context is made, so GL calls go to the dispatch library's
// no-op entries and the draw call costs nothing. An atlas holds at most 16384
// quads (16-bit indices), so 50,000 sprites need 4 batch nodes.

// The counter's replacement operators pair malloc with free; once GCC inlines
// them it reports a mismatch that is not there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "AllocationCounter.h"
#pragma GCC diagnostic pop

#include "platform/AutoreleasePool.h"
#include "platform/Ref.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteBatchNode.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kSpritesPerBatch = 12500;

struct Scene {
  platform::Ref<CCTexture2D> texture;
  std::vector<platform::Ref<CCSpriteBatchNode>> batches;
  std::vector<CCSprite*> sprites;  // held by their batch nodes
  std::vector<CGPoint> home;
};

Scene makeScene(std::uint32_t count) {
  Scene scene;
  auto* texture = new CCTexture2D();
  texture->initWithData(nullptr, kCCTexture2DPixelFormat_RGBA8888, 256, 256, CGSizeMake(256, 256));
  scene.texture = platform::Ref<CCTexture2D>::adopt(texture);

  platform::AutoreleasePool pool;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (i % kSpritesPerBatch == 0) {
      const std::uint32_t capacity = std::min(kSpritesPerBatch, count - i);
      scene.batches.emplace_back(CCSpriteBatchNode::batchNodeWithTexture(texture, capacity));
    }
    CCSprite* sprite = CCSprite::spriteWithTexture(texture, CGRectMake(float(i % 16) * 16, float(i / 16 % 16) * 16, 16, 16));
    const CGPoint home = CGPointMake(float(i % 480), float(i / 480 % 320));
    sprite->setPosition(home);
    scene.batches.back()->addChild(sprite);
    scene.sprites.push_back(sprite);
    scene.home.push_back(home);
  }
  return scene;
}

void drawFrame(const Scene& scene) {
  for (const auto& batch : scene.batches) batch->visit();
}

// A quad must hold what the sprite's transform says: catches a loop that was
// optimised away or a batch that skipped its sprites.
bool quadsAreCurrent(const Scene& scene) {
  for (CCSprite* sprite : {scene.sprites.front(), scene.sprites.back()}) {
    if (sprite->dirty()) return false;
    const ccV3F_C4B_T2F_Quad& quad = sprite->textureAtlas()->quads()[sprite->atlasIndex()];
    const CGAffineTransform t = sprite->nodeToParentTransform();
    const CGPoint expected = CGPointApplyAffineTransform(CGPointZero, t);
    if (std::abs(quad.bl.vertices.x - expected.x) > 1e-2f || std::abs(quad.bl.vertices.y - expected.y) > 1e-2f) {
      return false;
    }
  }
  return true;
}

void report(benchmark::State& state, const Scene& scene, std::size_t allocationsBefore) {
  const std::size_t allocations = bench::allocationCount() - allocationsBefore;
  const auto frames = static_cast<double>(state.iterations());
  const auto sprites = static_cast<double>(scene.sprites.size());
  state.SetItemsProcessed(static_cast<std::int64_t>(frames * sprites));
  // Seconds per sprite and frame, printed with an SI prefix ("9.5n" is 9.5 ns).
  state.counters["time/sprite"] =
      benchmark::Counter(sprites, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["allocs/frame"] = double(allocations) / frames;
  state.counters["batches"] = double(scene.batches.size());
  if (!quadsAreCurrent(scene)) state.SkipWithError("atlas quads do not match the sprites");
}

// Every sprite moved (and turned, when `turn`) before each frame's pass.
void runMoving(benchmark::State& state, bool turn) {
  Scene scene = makeScene(static_cast<std::uint32_t>(state.range(0)));
  drawFrame(scene);
  float frame = 0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) {
    frame += 1.0f;
    const float shift = float(int(frame) % 32);
    for (std::size_t i = 0; i < scene.sprites.size(); ++i) {
      CCSprite* sprite = scene.sprites[i];
      sprite->setPosition(CGPointMake(scene.home[i].x + shift, scene.home[i].y - shift));
      if (turn) sprite->setRotation(frame + float(i % 360));
    }
    drawFrame(scene);
  }
  report(state, scene, allocationsBefore);
}

void BM_SpriteBatchMoveAndRotate(benchmark::State& state) { runMoving(state, true); }

void BM_SpriteBatchMoveOnly(benchmark::State& state) { runMoving(state, false); }

void BM_SpriteBatchStill(benchmark::State& state) {
  Scene scene = makeScene(static_cast<std::uint32_t>(state.range(0)));
  drawFrame(scene);
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) drawFrame(scene);
  report(state, scene, allocationsBefore);
}

}  // namespace

BENCHMARK(BM_SpriteBatchMoveAndRotate)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteBatchMoveOnly)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteBatchStill)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
