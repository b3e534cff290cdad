// Action stepping: CCActionManager::update() over many running actions.
//
// Shapes: many actions on few targets, and one action on each of many targets
// (the second walks the target table more). Each runs a trivial interval action
// that never finishes, bare or wrapped in a CCRepeatForever. Reports actions
// stepped per second and heap allocations per frame (expected 0).

// The counter's operator new/delete pair malloc with free; once inlined into
// this file GCC mistakes that for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "AllocationCounter.h"
#pragma GCC diagnostic pop

#include "platform/AutoreleasePool.h"
#include "platform/Object.h"
#include "tessera/CCActionInterval.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCScheduler.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

std::uint64_t g_updates = 0;

/// The cheapest possible interval action: it only counts its updates.
class CountingAction : public CCActionInterval {
  PLATFORM_CLASS(CountingAction, CCActionInterval)
 public:
  void update(float t) override {
    ++g_updates;
    benchmark::DoNotOptimize(t);
  }
};

enum class Wrapping { Bare, RepeatForever };

void runActionManagerUpdate(benchmark::State& state, Wrapping wrapping) {
  const auto targetCount = static_cast<std::uint32_t>(state.range(0));
  const auto actionsPerTarget = static_cast<std::uint32_t>(state.range(1));
  const std::uint64_t actionCount = std::uint64_t{targetCount} * actionsPerTarget;

  platform::AutoreleasePool pool;
  CCActionManager* manager = CCActionManager::sharedManager();
  std::vector<platform::Object*> targets;
  for (std::uint32_t t = 0; t < targetCount; ++t) {
    auto* target = new platform::Object();
    for (std::uint32_t a = 0; a < actionsPerTarget; ++a) {
      auto* action = new CountingAction();
      // Never finishes: the elapsed time cannot reach 1e30 s.
      action->initWithDuration(1e30f);
      if (wrapping == Wrapping::RepeatForever) {
        manager->addAction(CCRepeatForever::actionWithAction(action), target, false);
      } else {
        manager->addAction(action, target, false);
      }
      action->release();
    }
    targets.push_back(target);
  }

  g_updates = 0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) manager->update(1.0f / 60);
  const std::size_t allocations = bench::allocationCount() - allocationsBefore;

  const auto frames = static_cast<std::uint64_t>(state.iterations());
  if (g_updates != actionCount * frames) state.SkipWithError("not every action was stepped once per frame");
  state.counters["actions/s"] =
      benchmark::Counter(static_cast<double>(actionCount * frames), benchmark::Counter::kIsRate);
  state.counters["allocs/frame"] = static_cast<double>(allocations) / static_cast<double>(frames);

  CCActionManager::purgeSharedManager();
  CCScheduler::purgeSharedScheduler();
  for (platform::Object* target : targets) target->release();
}

void BM_ActionManagerUpdate(benchmark::State& state) { runActionManagerUpdate(state, Wrapping::Bare); }

void BM_ActionManagerUpdateRepeatForever(benchmark::State& state) {
  runActionManagerUpdate(state, Wrapping::RepeatForever);
}

// {targets, actions per target}
BENCHMARK(BM_ActionManagerUpdate)->Args({1000, 10})->Args({10000, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ActionManagerUpdateRepeatForever)
    ->Args({1000, 10})
    ->Args({10000, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
