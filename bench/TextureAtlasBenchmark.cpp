// Texture atlas: rewriting 10,000 quads with updateQuad (a sprite batch's
// per-frame work when everything moves), moving the last quad to the front
// (one 960 KB memmove, the worst reorder), and drawing 10,000 quads into a
// 480 × 320 frame buffer on a headless OpenGL ES 1.1 context (llvmpipe), with
// glFinish before the clock stops (each frame is one glDrawElements). Reports
// quads per second and heap allocations per frame (expected: 0).
//
// Allocations are counted process-wide, the driver's included, so the draw
// benchmark first runs warm-up frames: Mesa compiles its pipeline (thousands
// of allocations) on the first draws. Draw rates use wall-clock time:
// llvmpipe renders on its own threads.

// The counter's replacement operators pair malloc with free; once GCC inlines
// them it reports a mismatch that is not there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "AllocationCounter.h"
#pragma GCC diagnostic pop

#include "platform/AutoreleasePool.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr unsigned int kQuads = 10000;

// 10,000 8 × 8 quads spread over a 480 × 320 screen, each a cell of a 64 × 64
// texture, with varied colours.
std::vector<ccV3F_C4B_T2F_Quad> makeQuads(float offset) {
  std::vector<ccV3F_C4B_T2F_Quad> quads(kQuads);
  for (unsigned int i = 0; i < kQuads; ++i) {
    const float x = static_cast<float>((i * 37) % 472) + offset, y = static_cast<float>((i * 53) % 312);
    const float u = static_cast<float>(i % 8) / 8, v = static_cast<float>((i / 8) % 8) / 8;
    const ccColor4B colour{static_cast<GLubyte>(i), static_cast<GLubyte>(i >> 4), 200, 255};
    ccV3F_C4B_T2F_Quad& q = quads[i];
    q.tl = {{x, y + 8, 0}, colour, {u, v}};
    q.bl = {{x, y, 0}, colour, {u, v + 0.125f}};
    q.tr = {{x + 8, y + 8, 0}, colour, {u + 0.125f, v}};
    q.br = {{x + 8, y, 0}, colour, {u + 0.125f, v + 0.125f}};
  }
  return quads;
}

void reportAllocations(benchmark::State& state, std::size_t before) {
  state.counters["allocs/frame"] = static_cast<double>(bench::allocationCount() - before) /
                                   static_cast<double>(state.iterations());
}

void BM_AtlasUpdateQuads(benchmark::State& state) {
  platform::AutoreleasePool pool;
  platform::Ref<CCTextureAtlas> atlas = CCTextureAtlas::textureAtlasWithTexture(nullptr, kQuads);
  const std::vector<ccV3F_C4B_T2F_Quad> frames[2] = {makeQuads(0), makeQuads(1)};
  std::size_t frame = 0;
  const std::size_t before = bench::allocationCount();
  for (auto _ : state) {
    const ccV3F_C4B_T2F_Quad* quads = frames[frame++ & 1].data();
    for (unsigned int i = 0; i < kQuads; ++i) atlas->updateQuad(&quads[i], i);
    benchmark::ClobberMemory();
  }
  reportAllocations(state, before);
  if (atlas->totalQuads() != kQuads) state.SkipWithError("wrong quad count");
  state.counters["quads/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kQuads,
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AtlasUpdateQuads);

void BM_AtlasMoveLastToFront(benchmark::State& state) {
  platform::AutoreleasePool pool;
  platform::Ref<CCTextureAtlas> atlas = CCTextureAtlas::textureAtlasWithTexture(nullptr, kQuads);
  const std::vector<ccV3F_C4B_T2F_Quad> quads = makeQuads(0);
  for (unsigned int i = 0; i < kQuads; ++i) atlas->updateQuad(&quads[i], i);
  const std::size_t before = bench::allocationCount();
  for (auto _ : state) {
    atlas->insertQuadFromIndex(kQuads - 1, 0);
    benchmark::ClobberMemory();
  }
  reportAllocations(state, before);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (kQuads - 1) *
                          static_cast<int64_t>(sizeof(ccV3F_C4B_T2F_Quad)));
}
BENCHMARK(BM_AtlasMoveLastToFront);

void BM_AtlasDrawQuads(benchmark::State& state) {
  platform::AutoreleasePool pool;
  platform::Ref<platform::GLContext> context = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
  if (!context || !platform::GLContext::setCurrentContext(context)) {
    state.SkipWithError("no OpenGL ES 1.1 context");
    for (auto _ : state) {
    }
    return;
  }
  const platform::GLExtensions& gl = platform::glExtensions();
  GLuint framebuffer = 0, renderbuffer = 0;
  gl.glGenFramebuffersOES(1, &framebuffer);
  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
  gl.glGenRenderbuffersOES(1, &renderbuffer);
  gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer);
  gl.glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, 480, 320);
  gl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, renderbuffer);
  glViewport(0, 0, 480, 320);
  glMatrixMode(GL_PROJECTION);
  glOrthof(0, 480, 0, 320, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);

  {
    std::vector<uint8_t> texels(64 * 64 * 4);
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(i * 7);
    platform::Ref<CCTexture2D> texture = platform::Ref<CCTexture2D>::adopt(new CCTexture2D());
    texture->initWithData(texels.data(), kCCTexture2DPixelFormat_RGBA8888, 64, 64, CGSizeMake(64, 64));
    platform::Ref<CCTextureAtlas> atlas = CCTextureAtlas::textureAtlasWithTexture(texture, kQuads);
    const std::vector<ccV3F_C4B_T2F_Quad> quads = makeQuads(0);
    for (unsigned int i = 0; i < kQuads; ++i) atlas->updateQuad(&quads[i], i);
    // Warm-up frames: the driver compiles its pipeline on the first draws.
    for (int frame = 0; frame < 3; ++frame) atlas->drawQuads();
    glFinish();

    const std::size_t before = bench::allocationCount();
    for (auto _ : state) {
      glClear(GL_COLOR_BUFFER_BIT);
      atlas->drawQuads();
      glFinish();
    }
    reportAllocations(state, before);
    if (glGetError() != GL_NO_ERROR) state.SkipWithError("GL error while drawing");
    state.counters["quads/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kQuads,
                                                   benchmark::Counter::kIsRate);
  }
  gl.glDeleteFramebuffersOES(1, &framebuffer);
  gl.glDeleteRenderbuffersOES(1, &renderbuffer);
  platform::GLContext::setCurrentContext(nullptr);
}
BENCHMARK(BM_AtlasDrawQuads)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
