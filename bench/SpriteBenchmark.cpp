// Sprite batch updates: N sprites (1,000 / 10,000 / 50,000) in batch nodes,
// every sprite moved and turned before every frame and then the batch's
// per-frame pass (visit: each dirty sprite rebuilds its quad in the atlas),
// beside the same pass when nothing moved and when sprites only move.
// Reports nanoseconds per sprite and heap allocations per frame (expected: 0).
//
// Beside them, the floor: the same motion and the same arithmetic (degree
// sine and cosine, the matrix with anchor point and scale, four corners) in
// one fused loop over flat arrays, straight into an array of quads: no
// objects, no dirty flags, no setters. The engine's cost divided by the
// floor's says how much the scene graph adds.
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
#include "tessera/Support/ccSinCos.h"

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

// The floor: sprite i at its home point shifted by the frame number and
// turned by frame + i % 360 degrees (or not turned), 16 x 16 pixels about
// its centre, written into a flat array of quads in one loop.
void runFloor(benchmark::State& state, bool turn) {
  const auto count = static_cast<std::uint32_t>(state.range(0));
  std::vector<float> homeX(count);
  std::vector<float> homeY(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    homeX[i] = float(i % 480);
    homeY[i] = float(i / 480 % 320);
  }
  std::vector<ccV3F_C4B_T2F_Quad> quads(count);
  using Float4 = float __attribute__((vector_size(16)));
  const Float4 xs = {0, 0, 16, 16};
  const Float4 ys = {16, 0, 16, 0};
  const float anchorX = -8.0f;
  const float anchorY = -8.0f;
  float frame = 0;
  for (auto _ : state) {
    frame += 1.0f;
    const float shift = float(int(frame) % 32);
    for (std::uint32_t i = 0; i < count; ++i) {
      float sine = 0.0f;
      float cosine = 1.0f;
      if (turn) {
        ccSinCosDegrees(frame + float(i % 360), &sine, &cosine);
        sine = -sine;
      }
      const float a = cosine;
      const float b = sine;
      const float c = -sine;
      const float d = cosine;
      const float tx = a * anchorX + c * anchorY + (homeX[i] + shift);
      const float ty = b * anchorX + d * anchorY + (homeY[i] - shift);
      const Float4 px = a * xs + c * ys + tx;
      const Float4 py = b * xs + d * ys + ty;
      ccV3F_C4B_T2F_Quad& quad = quads[i];
      quad.tl.vertices = ccVertex3F{px[0], py[0], 0.0f};
      quad.bl.vertices = ccVertex3F{px[1], py[1], 0.0f};
      quad.tr.vertices = ccVertex3F{px[2], py[2], 0.0f};
      quad.br.vertices = ccVertex3F{px[3], py[3], 0.0f};
    }
    benchmark::DoNotOptimize(quads.data());
    benchmark::ClobberMemory();
  }
  const auto frames = static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<std::int64_t>(frames * double(count)));
  state.counters["time/sprite"] =
      benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  // The last sprite's centre must be where the motion puts it.
  const std::uint32_t last = count - 1;
  const float centreX = (quads[last].bl.vertices.x + quads[last].tr.vertices.x) / 2;
  const float expectedX = homeX[last] + float(int(frame) % 32);
  if (std::abs(centreX - expectedX) > 1e-2f) state.SkipWithError("floor quads do not match the motion");
}

void BM_FloorMoveAndRotate(benchmark::State& state) { runFloor(state, true); }

void BM_FloorMoveOnly(benchmark::State& state) { runFloor(state, false); }

}  // namespace

BENCHMARK(BM_SpriteBatchMoveAndRotate)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteBatchMoveOnly)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteBatchStill)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloorMoveAndRotate)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloorMoveOnly)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
