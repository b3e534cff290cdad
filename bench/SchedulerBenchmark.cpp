// Scheduler tick: interval timers (many targets with one timer, few targets
// with many timers, and timers that are stepped but not yet due) beside
// per-frame updates spread over the three priority bands. Reports callbacks
// per second and heap allocations per tick (expected: 0).

// The counter's replacement operators pair malloc with free; once GCC inlines
// them it reports a mismatch that is not there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "AllocationCounter.h"
#pragma GCC diagnostic pop

#include "tessera/CCScheduler.h"
#include "tessera/CCTimer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

std::uint64_t g_calls = 0;

class BenchTarget : public platform::Object {
  PLATFORM_CLASS(BenchTarget, platform::Object)
 public:
  void tick(float dt) { ++g_calls; }
  void update(float dt) override { ++g_calls; }
};

constexpr float kFrame = 1.0f / 60.0f;

// Distinct selectors ("tick0:", "tick1:", ...) bound to the same method, so one
// target can hold many timers.
std::vector<platform::Selector> makeSelectors(int count) {
  std::vector<platform::Selector> selectors;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "BenchTarget::tick%d", i);
    selectors.emplace_back(name, &BenchTarget::tick);
  }
  return selectors;
}

// Runs the tick loop, checks the callback count and reports entries stepped
// per second (items), callbacks and allocations per tick. Purges the scheduler.
void runTicks(benchmark::State& state, CCScheduler* scheduler, std::uint64_t entriesPerTick,
              std::uint64_t callsPerTick) {
  g_calls = 0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) scheduler->tick(kFrame);
  const std::size_t allocations = bench::allocationCount() - allocationsBefore;

  const auto ticks = static_cast<std::uint64_t>(state.iterations());
  if (g_calls != ticks * callsPerTick) {
    char message[96];
    std::snprintf(message, sizeof message, "expected %llu callbacks, got %llu",
                  static_cast<unsigned long long>(ticks * callsPerTick),
                  static_cast<unsigned long long>(g_calls));
    state.SkipWithError(message);
  }
  state.SetItemsProcessed(static_cast<int64_t>(ticks * entriesPerTick));
  state.counters["callbacks/tick"] = static_cast<double>(callsPerTick);
  state.counters["allocs/tick"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
  CCScheduler::purgeSharedScheduler();
}

// Args: targets, timers per target, interval (0: every frame; 1e9: never due).
void BM_TickTimers(benchmark::State& state) {
  const auto targets = static_cast<int>(state.range(0));
  const auto timersPerTarget = static_cast<int>(state.range(1));
  const auto interval = static_cast<float>(state.range(2));
  const std::vector<platform::Selector> selectors = makeSelectors(timersPerTarget);

  CCScheduler* scheduler = CCScheduler::sharedScheduler();
  for (int t = 0; t < targets; ++t) {
    auto* target = new BenchTarget();
    for (const auto& selector : selectors) scheduler->scheduleSelector(selector, target, interval, false);
    target->release();  // the scheduler holds it
  }
  const auto timers = static_cast<std::uint64_t>(targets) * static_cast<std::uint64_t>(timersPerTarget);
  runTicks(state, scheduler, timers, interval == 0 ? timers : 0);
}
BENCHMARK(BM_TickTimers)
    ->ArgNames({"targets", "timers", "interval"})
    ->Args({10000, 1, 0})
    ->Args({100, 100, 0})
    ->Args({10000, 1, 1000000000});

// Arg: targets, each with a per-frame update; priorities -1, 0, 1 in turn.
void BM_TickUpdates(benchmark::State& state) {
  const auto targets = static_cast<int>(state.range(0));
  CCScheduler* scheduler = CCScheduler::sharedScheduler();
  for (int t = 0; t < targets; ++t) {
    auto* target = new BenchTarget();
    scheduler->scheduleUpdateForTarget(target, t % 3 - 1, false);
    target->release();
  }
  runTicks(state, scheduler, static_cast<std::uint64_t>(targets), static_cast<std::uint64_t>(targets));
}
BENCHMARK(BM_TickUpdates)->ArgName("targets")->Arg(100)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
