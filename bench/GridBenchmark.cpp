// Grid effects: one frame's update() of a surface effect (waves in z, a
// ripple, the page turn) on a CCGrid3D and of tile effects (shaky tiles with
// three random draws per corner, fade-out tiles) on a CCTiledGrid3D, for a
// 16 × 12 and a 64 × 48 grid over a 480 × 320 window. The director runs
// headless on OpenGL ES 1.1 (llvmpipe) so the grids can be made, but nothing
// is drawn: this is the engine's own per-frame cost of moving the mesh,
// ready to draw.
//
// Counters: ns_per_vertex (time / vertices written; a tile is four vertices),
// allocs (heap allocations per frame, expected 0).

// The counter's replacement operators pair malloc with free; once GCC inlines
// them it reports a mismatch that is not there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "AllocationCounter.h"
#pragma GCC diagnostic pop

#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/Ref.h"
#include "platform/Window.h"
#include "tessera/CCActionGrid3D.h"
#include "tessera/CCActionPageTurn3D.h"
#include "tessera/CCActionTiledGrid.h"
#include "tessera/CCDirector.h"
#include "tessera/CCNode.h"
#include "tessera/Platforms/iOS/CCDirectorIOS.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

enum Effect { kWaves3D = 0, kRipple3D = 1, kPageTurn3D = 2, kShakyTiles3D = 3, kFadeOutTRTiles = 4 };

const char* effectName(Effect effect) {
  switch (effect) {
    case kWaves3D: return "waves3D";
    case kRipple3D: return "ripple3D";
    case kPageTurn3D: return "pageTurn3D";
    case kShakyTiles3D: return "shakyTiles3D";
    case kFadeOutTRTiles: return "fadeOutTRTiles";
  }
  return "";
}

CCGridAction* makeEffect(Effect effect, ccGridSize size) {
  switch (effect) {
    case kWaves3D: return CCWaves3D::actionWithWaves(4, 20, size, 1);
    case kRipple3D: return CCRipple3D::actionWithPosition(CGPointMake(240, 160), 200, 4, 30, size, 1);
    case kPageTurn3D: return CCPageTurn3D::actionWithSize(size, 1);
    case kShakyTiles3D: return CCShakyTiles3D::actionWithRange(4, true, size, 1);
    case kFadeOutTRTiles: return CCFadeOutTRTiles::actionWithSize(size, 1);
  }
  return nullptr;
}

// The director in a 480 × 320 window (landscape size), made once.
bool directorReady() {
  static const bool ready = [] {
    platform::facts().headless = true;
    if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink)) return false;
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    director->setPixelFormat(kCCPixelFormatRGBA8888);
    platform::Window* window = platform::Window::windowWithFrame(CGRectMake(0, 0, 480, 320));
    window->retain();  // kept for the program's life
    return director->attachInWindow(window);
  }();
  return ready;
}

void BM_GridEffect(benchmark::State& state) {
  platform::AutoreleasePool pool;
  const auto effect = static_cast<Effect>(state.range(0));
  const ccGridSize size = ccg(static_cast<std::int32_t>(state.range(1)), static_cast<std::int32_t>(state.range(2)));
  const bool tiled = effect >= kShakyTiles3D;
  CCGridBase* grid = nullptr;
  if (directorReady()) {
    grid = tiled ? static_cast<CCGridBase*>(CCTiledGrid3D::gridWithSize(size)) : CCGrid3D::gridWithSize(size);
  }
  platform::Ref<CCNode> node = CCNode::node();
  platform::Ref<CCGridAction> action = makeEffect(effect, size);
  if (!grid || !action) {
    state.SkipWithError("no OpenGL ES 1.1 director or grid");
    for (auto _ : state) {
    }
    return;
  }
  // The effect takes over the prepared grid.
  node->setGrid(grid);
  grid->setActive(true);
  grid->setReuseGrid(1);
  action->startWithTarget(node.get());

  const double vertices = tiled ? 4.0 * size.x * size.y : (size.x + 1.0) * (size.y + 1.0);
  float t = 0;
  const std::size_t before = bench::allocationCount();
  for (auto _ : state) {
    t += 1.0f / 60;
    if (t > 1) t = 0.01f;
    action->update(t);
    benchmark::ClobberMemory();
  }
  const std::size_t allocations = bench::allocationCount() - before;
  if (node->grid() != grid) state.SkipWithError("the effect made a grid of its own");
  state.counters["ns_per_vertex"] = benchmark::Counter(static_cast<double>(state.iterations()) * vertices * 1e-9,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
  state.SetLabel(effectName(effect));
  action->stop();
  node->setGrid(nullptr);
}

}  // namespace

BENCHMARK(BM_GridEffect)
    ->ArgNames({"effect", "x", "y"})
    ->Apply([](benchmark::internal::Benchmark* b) {
      for (int effect : {kWaves3D, kRipple3D, kPageTurn3D, kShakyTiles3D, kFadeOutTRTiles}) {
        b->Args({effect, 16, 12});
        b->Args({effect, 64, 48});
      }
    })
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
