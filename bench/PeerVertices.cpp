// The peers' side of the sprite benchmark: the vertex building that SFML 2.5
// and SDL2 users do every frame for N moving, turning sprites, timed the way
// SpriteBenchmark times the engine (same motion: sprite i at its home point
// shifted by the frame number, turned by frame + i % 360 degrees). No GL:
// SFML's sf::Transform and sf::VertexArray and SDL's SDL_Vertex only.
// Reports nanoseconds per sprite; built as PeerVerticesBenchmark where SFML
// is installed.

#include <SDL.h>
#include <SFML/Graphics/Transform.hpp>
#include <SFML/Graphics/VertexArray.hpp>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr float kHalf = 8.0f;  // 16 x 16 sprites, as in SpriteBenchmark

struct Home {
  float x, y;
};

std::vector<Home> homes(std::uint32_t count) {
  std::vector<Home> points;
  for (std::uint32_t i = 0; i < count; ++i) points.push_back({float(i % 480), float(i / 480 % 320)});
  return points;
}

void report(benchmark::State& state, std::size_t sprites) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(sprites));
  state.counters["time/sprite"] = benchmark::Counter(static_cast<double>(sprites),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

// SFML: an sf::Transform per sprite (translate, rotate, back by the centre),
// four corners through transformPoint into one sf::VertexArray of quads.
void BM_SfmlVertexArray(benchmark::State& state) {
  const std::vector<Home> home = homes(static_cast<std::uint32_t>(state.range(0)));
  sf::VertexArray quads(sf::Quads, home.size() * 4);
  float frame = 0;
  for (auto _ : state) {
    frame += 1.0f;
    const float shift = float(int(frame) % 32);
    for (std::size_t i = 0; i < home.size(); ++i) {
      sf::Transform transform;
      transform.translate(home[i].x + shift, home[i].y - shift).rotate(frame + float(i % 360));
      sf::Vertex* corner = &quads[i * 4];
      corner[0].position = transform.transformPoint(-kHalf, -kHalf);
      corner[1].position = transform.transformPoint(kHalf, -kHalf);
      corner[2].position = transform.transformPoint(kHalf, kHalf);
      corner[3].position = transform.transformPoint(-kHalf, kHalf);
    }
    benchmark::DoNotOptimize(&quads[0]);
    benchmark::ClobberMemory();
  }
  report(state, home.size());
}

// SDL2: the rotation written out by hand into an SDL_Vertex array, as for
// SDL_RenderGeometry.
void BM_SdlVertices(benchmark::State& state) {
  const std::vector<Home> home = homes(static_cast<std::uint32_t>(state.range(0)));
  std::vector<SDL_Vertex> vertices(home.size() * 4);
  constexpr float kOffsets[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  float frame = 0;
  for (auto _ : state) {
    frame += 1.0f;
    const float shift = float(int(frame) % 32);
    for (std::size_t i = 0; i < home.size(); ++i) {
      const float radians = (frame + float(i % 360)) * 0.017453292f;
      const float cosine = std::cos(radians);
      const float sine = std::sin(radians);
      const float x = home[i].x + shift;
      const float y = home[i].y - shift;
      SDL_Vertex* corner = &vertices[i * 4];
      for (int k = 0; k < 4; ++k) {
        const float cx = kOffsets[k][0] * kHalf;
        const float cy = kOffsets[k][1] * kHalf;
        corner[k].position = {x + cosine * cx - sine * cy, y + sine * cx + cosine * cy};
      }
    }
    benchmark::DoNotOptimize(vertices.data());
    benchmark::ClobberMemory();
  }
  report(state, home.size());
}

}  // namespace

BENCHMARK(BM_SfmlVertexArray)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SdlVertices)->ArgName("sprites")->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
