// Ribbons and motion streaks: one frame of a motion streak that circles the
// screen, laying a point every frame and fading them over `fade` seconds,
// drawn every frame into a 480 × 320 frame buffer on a headless OpenGL ES 1.1
// context (the draw fades every live point, draws one triangle strip per
// segment, and marks faded segments finished so that they are recycled).
// Timed: the streak's update alone (world position, one ribbon point, the
// ribbon's clock; draw=0) or the update and the draw (draw=1).
// 3000 frames each: the off-the-clock draws would otherwise make the
// update-only runs take minutes.
//
// Counters: the time per frame, allocs (operator new calls per frame after a
// warm-up long enough for the trail to reach its longest; expected 0),
// segments (segments in use at the end). The driver's own allocations (Mesa
// is C: malloc, not operator new) are not counted. With draw=1 the time is
// mostly llvmpipe's: each segment is one small draw call.

// The counter's replacement operators pair malloc with free; once GCC inlines
// them it reports a mismatch that is not there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "AllocationCounter.h"
#pragma GCC diagnostic pop

#include "platform/AutoreleasePool.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "tessera/CCMotionStreak.h"
#include "tessera/CCRibbon.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCTexture2D.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr float kFrame = 1.0f / 60.0f;

// A streak on a 100-point circle around the screen's centre, a point per
// frame (4 points of travel a frame, minimum segment 1).
class CirclingStreak {
 public:
  explicit CirclingStreak(float fade, CCTexture2D* texture) {
    streak_ = CCMotionStreak::streakWithFade(fade, 1, "", 16, 64, ccc4(255, 200, 100, 255));
    if (texture != nullptr) streak_->setTexture(texture);
  }
  void step() {
    angle_ += 0.04f;
    streak_->setPosition(CGPointMake(240 + 100 * std::cos(angle_), 160 + 100 * std::sin(angle_)));
    streak_->update(kFrame);
  }
  CCMotionStreak* streak() const { return streak_.get(); }

 private:
  platform::Ref<CCMotionStreak> streak_;
  float angle_ = 0.0f;
};

void reportFrame(benchmark::State& state, std::size_t before, const CirclingStreak& circling) {
  state.counters["allocs"] = static_cast<double>(bench::allocationCount() - before) /
                             static_cast<double>(state.iterations());
  state.counters["segments"] = static_cast<double>(circling.streak()->ribbon()->segments().size());
}

// range(0): the fade time; range(1): 1 to time the draw too, 0 to time the
// update alone (the draw still runs every frame, off the clock).
void BM_Streak(benchmark::State& state) {
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
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);

  {
    std::vector<std::uint8_t> texels(16 * 16 * 4, 255);
    platform::Ref<CCTexture2D> texture = platform::Ref<CCTexture2D>::adopt(new CCTexture2D());
    texture->initWithData(texels.data(), kCCTexture2DPixelFormat_RGBA8888, 16, 16, CGSizeMake(16, 16));
    CirclingStreak circling(static_cast<float>(state.range(0)), texture.get());
    // Warm-up: the trail reaches its longest and the recycled segments
    // cover it; the driver compiles its pipeline on the first draws.
    const int warmUp = static_cast<int>(state.range(0)) * 60 * 3;
    for (int frame = 0; frame < warmUp; ++frame) {
      circling.step();
      circling.streak()->visit();
    }
    glFinish();

    const bool timeDraw = state.range(1) != 0;
    const std::size_t before = bench::allocationCount();
    for (auto _ : state) {
      const auto start = std::chrono::steady_clock::now();
      circling.step();
      if (timeDraw) circling.streak()->visit();
      const auto stop = std::chrono::steady_clock::now();
      if (!timeDraw) circling.streak()->visit();
      state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
    reportFrame(state, before, circling);
    glFinish();
    if (glGetError() != GL_NO_ERROR) state.SkipWithError("GL error while drawing");
  }
  gl.glDeleteFramebuffersOES(1, &framebuffer);
  gl.glDeleteRenderbuffersOES(1, &renderbuffer);
  platform::GLContext::setCurrentContext(nullptr);
}
BENCHMARK(BM_Streak)->ArgNames({"fade", "draw"})->ArgsProduct({{1, 4}, {0, 1}})->UseManualTime()->Iterations(3000);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  CCScheduler::purgeSharedScheduler();
  return 0;
}
