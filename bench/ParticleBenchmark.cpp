// Particle systems: one frame's update() of a full quad system of 10,000 and
// 100,000 particles, in gravity mode (with radial and tangential
// acceleration, so every particle takes the normalising square root) and in
// radius mode (a cosine and a sine per particle), with and without spin
// (a turned quad costs another cosine and sine). The emission rate replaces
// dying particles one for one, so every frame also gives birth to about
// 1/120 of the particles (19 random draws each). No GL context: the engine's
// own per-particle cost, writing quads ready to draw.
//
// Counters: ns_per_particle (time / particles updated), allocs (heap
// allocations per frame, expected 0), live (particles after the last frame).

#include "AllocationCounter.h"

#include "platform/AutoreleasePool.h"
#include "platform/Ref.h"
#include "tessera/CCParticleSystemQuad.h"
#include "tessera/CCScheduler.h"

#include <benchmark/benchmark.h>

namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr float kLife = 2.0f;

enum Shape { kGravity = 0, kRadius = 1, kGravitySpinning = 2 };

platform::Ref<CCParticleSystemQuad> fullSystem(unsigned int count, Shape shape) {
  platform::Ref<CCParticleSystemQuad> system = platform::Ref<CCParticleSystemQuad>::adopt(new CCParticleSystemQuad());
  system->initWithTotalParticles(count);
  system->setDuration(kCCParticleDurationInfinity);
  system->setLife(kLife);
  system->setLifeVar(0.5f);
  system->setEmissionRate(count / kLife);
  system->setStartSize(8);
  system->setStartSizeVar(2);
  system->setEndSize(2);
  system->setStartColor({1, 0.5f, 0.2f, 1});
  system->setStartColorVar({0, 0.1f, 0.1f, 0});
  system->setEndColor({0, 0, 0, 0});
  system->setAngle(90);
  system->setAngleVar(180);
  system->setPosVar(CGPointMake(20, 20));
  if (shape == kRadius) {
    system->setEmitterMode(kCCParticleModeRadius);
    system->setStartRadius(100);
    system->setStartRadiusVar(20);
    system->setEndRadius(10);
    system->setRotatePerSecond(90);
    system->setRotatePerSecondVar(30);
  } else {
    system->setGravity(CGPointMake(0, -40));
    system->setSpeed(80);
    system->setSpeedVar(20);
    system->setRadialAccel(-10);
    system->setRadialAccelVar(5);
    system->setTangentialAccel(15);
    system->setTangentialAccelVar(5);
  }
  if (shape == kGravitySpinning) {
    system->setStartSpin(0);
    system->setEndSpin(360);
    system->setEndSpinVar(90);
  }
  // Fill it: after one life the system is at its steady state.
  for (int frame = 0; frame < static_cast<int>(kLife * 60 * 1.5f); ++frame) system->update(kFrame);
  return system;
}

void BM_ParticleUpdate(benchmark::State& state) {
  platform::AutoreleasePool pool;
  const auto count = static_cast<unsigned int>(state.range(0));
  const auto shape = static_cast<Shape>(state.range(1));
  platform::Ref<CCParticleSystemQuad> system = fullSystem(count, shape);
  std::size_t updated = 0;
  const std::size_t allocationsBefore = bench::allocationCount();
  for (auto _ : state) {
    system->update(kFrame);
    updated += system->particleIdx();
    benchmark::DoNotOptimize(system->quads());
  }
  const std::size_t allocations = bench::allocationCount() - allocationsBefore;
  if (system->particleCount() < count * 9 / 10) state.SkipWithError("the system is not full: the rate is off");
  state.counters["ns_per_particle"] =
      benchmark::Counter(static_cast<double>(updated) * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
  state.counters["live"] = system->particleCount();
  state.SetLabel(shape == kRadius ? "radius" : shape == kGravity ? "gravity" : "gravity+spin");
}

}  // namespace

BENCHMARK(BM_ParticleUpdate)
    ->ArgNames({"particles", "mode"})
    ->ArgsProduct({{10000, 100000}, {kGravity, kRadius, kGravitySpinning}})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  CCScheduler::purgeSharedScheduler();
  return 0;
}
