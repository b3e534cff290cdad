// Particle storm: frame times of one particle effect drawn by the engine and
// by SFML 2.5, each into a 480 x 320 window on the same X server, through
// Mesa's GL. Each renderer runs at each count in a child process of its own,
// so neither inherits the other's GL or heap state.
//
// The effect, the same on both sides: N particles alive at once, each living
// 2 s (± 0.5 s) and replaced when it dies (the engine's emission rate is
// N / 2 per second, so a full system emits one particle per death); born
// within ± 20 px of the window's centre, moving at 80 ± 20 px/s in any
// direction, pulled down by 40 px/s²; size 8 ± 2 px shrinking to 2 px; colour
// from (1, 0.5, 0.2, 1) (± 0.1 green and blue) fading to transparent black;
// additive blending (source alpha, one) of a 16 x 16 round dot. Every frame
// advances exactly 1/60 s. A frame is timed from before the update to after
// glFinish() following the present. Warm-up frames (enough to fill the
// system) are not timed.
//
//   engine: a CCParticleSystemQuad in a scene run by the platform director,
//     attached to a platform window; update(1/60) then drawScene() per frame.
//   SFML: the usual SFML particle idiom: a std::vector of particle structs
//     and one sf::VertexArray of sf::Quads rewritten on the CPU every frame
//     (dead particles respawned in place), one draw() with sf::BlendAdd, then
//     display().
//
// Usage (needs an X display):
//   xvfb-run -s "-screen 0 1024x768x24" ParticleStorm [--frames 200]
//       [--counts 1000,10000,100000] [--engines tessera,sfml]
// Prints a Markdown table of median and 90th-percentile frame times.
//
// [SECTION] The effect
// [SECTION] Engine
// [SECTION] SFML
// [SECTION] Main

#include "platform/Application.h"
#include "storm/ChildProcess.h"
#include "storm/EngineWindow.h"
#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCDirector.h"
#include "tessera/CCParticleSystemQuad.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <SFML/Graphics.hpp>
#include <SFML/OpenGL.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// [SECTION] The effect

constexpr int kWidth = 480, kHeight = 320;
constexpr float kFrame = 1.0f / 60.0f;
constexpr float kLife = 2.0f, kLifeVar = 0.5f;
constexpr float kSpeed = 80, kSpeedVar = 20;
constexpr float kGravity = -40;  // y up
constexpr float kStartSize = 8, kStartSizeVar = 2, kEndSize = 2;
constexpr float kPositionVar = 20;
constexpr int kDotSide = 16;
// Frames before timing starts: the system fills in one life.
constexpr int kWarmupFrames = static_cast<int>(kLife * 60) + 30;

// A round white dot with a soft edge, straight alpha.
std::vector<std::uint8_t> dotPixels() {
  std::vector<std::uint8_t> pixels(kDotSide * kDotSide * 4);
  for (int y = 0; y < kDotSide; ++y) {
    for (int x = 0; x < kDotSide; ++x) {
      const float dx = x + 0.5f - kDotSide / 2.0f, dy = y + 0.5f - kDotSide / 2.0f;
      const float edge = std::clamp(kDotSide / 2.0f - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
      std::uint8_t* p = &pixels[(y * kDotSide + x) * 4];
      p[0] = p[1] = p[2] = 255;
      p[3] = static_cast<std::uint8_t>(edge * 255);
    }
  }
  return pixels;
}

struct Timing {
  double median = 0, p90 = 0;
  std::string renderer, error;
  unsigned long live = 0;
};

template <class Frame>
Timing timeFrames(int frames, Frame&& frame) {
  for (int i = 0; i < kWarmupFrames; ++i) frame();
  std::vector<double> times;
  times.reserve(frames);
  for (int i = 0; i < frames; ++i) {
    const auto start = std::chrono::steady_clock::now();
    frame();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  Timing timing;
  timing.median = times[times.size() / 2];
  timing.p90 = times[times.size() * 9 / 10];
  return timing;
}

// [SECTION] Engine

Timing runTessera(unsigned int count, int frames) {
  Timing timing;
  platform::AutoreleasePool pool;
  const storm::EngineWindow engine = storm::openEngineWindow(kWidth, kHeight);
  timing.renderer = engine.renderer;
  if (!engine.error.empty()) {
    timing.error = engine.error;
    return timing;
  }
  CCDirectorIOS* director = engine.director;

  const std::vector<std::uint8_t> pixels = dotPixels();
  platform::Ref<CCTexture2D> dot = platform::Ref<CCTexture2D>::adopt(new CCTexture2D());
  dot->initWithData(pixels.data(), kCCTexture2DPixelFormat_RGBA8888, kDotSide, kDotSide,
                    CGSizeMake(kDotSide, kDotSide));

  CCParticleSystemQuad* system = platform::createAutoreleased<CCParticleSystemQuad>(
      [&](CCParticleSystemQuad& s) { return s.initWithTotalParticles(count); });
  system->setDuration(kCCParticleDurationInfinity);
  system->setLife(kLife);
  system->setLifeVar(kLifeVar);
  system->setEmissionRate(count / kLife);
  system->setPosition(CGPointMake(kWidth / 2.0f, kHeight / 2.0f));
  system->setPosVar(CGPointMake(kPositionVar, kPositionVar));
  system->setAngle(0);
  system->setAngleVar(180);
  system->setSpeed(kSpeed);
  system->setSpeedVar(kSpeedVar);
  system->setGravity(CGPointMake(0, kGravity));
  system->setStartSize(kStartSize);
  system->setStartSizeVar(kStartSizeVar);
  system->setEndSize(kEndSize);
  system->setStartColor({1, 0.5f, 0.2f, 1});
  system->setStartColorVar({0, 0.1f, 0.1f, 0});
  system->setEndColor({0, 0, 0, 0});
  system->setTexture(dot.get());
  system->setBlendAdditive(true);

  CCScene* scene = CCScene::node();
  scene->addChild(system);
  glClearColor(0, 0, 0, 1);
  director->runWithScene(scene);
  director->drawScene();
  // Stepped by the harness with exactly 1/60 s, as the SFML side is.
  system->unscheduleUpdate();

  const Timing timed = timeFrames(frames, [&] {
    platform::RunLoop::main().runOnce(false);
    system->update(kFrame);
    director->drawScene();
    glFinish();
  });
  timing.median = timed.median;
  timing.p90 = timed.p90;
  timing.live = system->particleCount();
  return timing;
}

// [SECTION] SFML

struct SfmlParticle {
  sf::Vector2f position, velocity;
  float lifeLeft = 0, life = 1;
  float startSize = 0;
  sf::Color startColor;
};

Timing runSfml(unsigned int count, int frames) {
  Timing timing;
  sf::RenderWindow window(sf::VideoMode(kWidth, kHeight), "ParticleStorm: SFML", sf::Style::Titlebar | sf::Style::Close);
  if (!window.isOpen() || !window.setActive(true)) {
    timing.error = "SFML could not open its window";
    return timing;
  }
  if (const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER))) timing.renderer = renderer;
  const std::vector<std::uint8_t> pixels = dotPixels();
  sf::Texture texture;
  texture.create(kDotSide, kDotSide);
  texture.update(pixels.data());
  texture.setSmooth(true);

  std::mt19937 random(12345);
  std::uniform_real_distribution<float> minus1To1(-1.0f, 1.0f);
  std::vector<SfmlParticle> particles(count);
  sf::VertexArray quads(sf::Quads, static_cast<std::size_t>(count) * 4);
  const float dot = static_cast<float>(kDotSide);
  for (unsigned int i = 0; i < count; ++i) {
    sf::Vertex* v = &quads[static_cast<std::size_t>(i) * 4];
    v[0].texCoords = {0, 0};
    v[1].texCoords = {dot, 0};
    v[2].texCoords = {dot, dot};
    v[3].texCoords = {0, dot};
  }
  auto respawn = [&](SfmlParticle& p) {
    p.life = p.lifeLeft = std::max(0.0f, kLife + kLifeVar * minus1To1(random));
    p.position = {kWidth / 2.0f + kPositionVar * minus1To1(random), kHeight / 2.0f + kPositionVar * minus1To1(random)};
    const float angle = 3.14159265f * minus1To1(random);
    const float speed = kSpeed + kSpeedVar * minus1To1(random);
    p.velocity = {std::cos(angle) * speed, -std::sin(angle) * speed};  // SFML's y points down
    p.startSize = kStartSize + kStartSizeVar * minus1To1(random);
    p.startColor = sf::Color(255, static_cast<sf::Uint8>(std::clamp(0.5f + 0.1f * minus1To1(random), 0.0f, 1.0f) * 255),
                             static_cast<sf::Uint8>(std::clamp(0.2f + 0.1f * minus1To1(random), 0.0f, 1.0f) * 255));
  };
  // Born over one life, as the engine's emission fills its system.
  unsigned int born = 0;
  float emitCounter = 0;
  const float period = kLife / static_cast<float>(count);

  const sf::RenderStates states(sf::BlendAdd, sf::Transform::Identity, &texture, nullptr);
  timing = timeFrames(frames, [&] {
    for (sf::Event event; window.pollEvent(event);) {
    }
    emitCounter += kFrame;
    while (born < count && emitCounter > period) {
      respawn(particles[born++]);
      emitCounter -= period;
    }
    for (unsigned int i = 0; i < born; ++i) {
      SfmlParticle& p = particles[i];
      p.lifeLeft -= kFrame;
      if (p.lifeLeft <= 0) respawn(p);
      p.velocity.y -= kGravity * kFrame;
      p.position += p.velocity * kFrame;
      const float ratio = p.lifeLeft / p.life;  // 1 at birth, 0 at death
      const float half = (kEndSize + (p.startSize - kEndSize) * ratio) / 2;
      const sf::Color color(static_cast<sf::Uint8>(p.startColor.r * ratio), static_cast<sf::Uint8>(p.startColor.g * ratio),
                            static_cast<sf::Uint8>(p.startColor.b * ratio), static_cast<sf::Uint8>(255 * ratio));
      sf::Vertex* v = &quads[static_cast<std::size_t>(i) * 4];
      v[0].position = {p.position.x - half, p.position.y - half};
      v[1].position = {p.position.x + half, p.position.y - half};
      v[2].position = {p.position.x + half, p.position.y + half};
      v[3].position = {p.position.x - half, p.position.y + half};
      v[0].color = v[1].color = v[2].color = v[3].color = color;
    }
    window.clear(sf::Color::Black);
    window.draw(&quads[0], static_cast<std::size_t>(born) * 4, sf::Quads, states);
    window.display();
    glFinish();
  });
  if (const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER))) timing.renderer = renderer;
  timing.live = born;
  window.setActive(false);
  return timing;
}

// [SECTION] Main

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, ',');) parts.push_back(part);
  return parts;
}

// Runs one renderer at one count in a child process; its result comes back
// as one line through a pipe.
Timing runChild(const std::string& engine, unsigned int count, int frames) {
  const storm::ChildReport child = storm::reportFromChild([&] {
    const Timing t = engine == "sfml" ? runSfml(count, frames) : runTessera(count, frames);
    return std::to_string(t.median) + " " + std::to_string(t.p90) + " " + std::to_string(t.live) + "\n" +
           t.renderer + "\n" + t.error + "\n";
  });
  if (!child.started) return Timing{0, 0, "", "no pipe or child process", 0};
  Timing timing;
  std::stringstream stream(child.text);
  std::string first;
  std::getline(stream, first);
  std::getline(stream, timing.renderer);
  std::getline(stream, timing.error);
  if (std::sscanf(first.c_str(), "%lf %lf %lu", &timing.median, &timing.p90, &timing.live) != 3 &&
      timing.error.empty()) {
    timing.error = "the child ended without a result (status " + std::to_string(child.status) + ")";
  }
  return timing;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = 200;
  std::vector<std::string> counts = {"1000", "10000", "100000"}, engines = {"tessera", "sfml"};
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--frames")) frames = std::max(1, std::atoi(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--counts")) counts = split(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--engines")) engines = split(argv[i + 1]);
  }
  if (platform::facts().resourceDir.empty()) platform::facts().resourceDir = TESSERA_STORM_RESOURCES;
  bool failed = false;
  std::printf("| particles | renderer | median ms | p90 ms | live |\n|---:|---|---:|---:|---:|\n");
  std::string renderers;
  for (const std::string& countText : counts) {
    const auto count = static_cast<unsigned int>(std::strtoul(countText.c_str(), nullptr, 10));
    for (const std::string& engine : engines) {
      const Timing t = runChild(engine, count, frames);
      if (!t.error.empty()) {
        std::printf("| %u | %s | failed: %s | | |\n", count, engine.c_str(), t.error.c_str());
        failed = true;
        continue;
      }
      std::printf("| %u | %s | %.2f | %.2f | %lu |\n", count, engine.c_str(), t.median, t.p90, t.live);
      std::fflush(stdout);
      if (renderers.find(engine) == std::string::npos) renderers += engine + ": " + t.renderer + "\n";
    }
  }
  std::printf("\n%s", renderers.c_str());
  return failed ? 1 : 0;
}
