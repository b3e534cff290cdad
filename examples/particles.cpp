// tessera [particles] example: ready-made effects and one read from a
// property list, side by side, drawn through the director.
//
// Shows: fire, a galaxy, a meteor and a flower (point sprites), smoke rising
// behind them, and a radius-mode vortex of textured quads configured by a
// property list held in this file (the same keys a particle editor writes).
// Every effect uses "fire.png" from the shared resources.
//
// Usage: particles [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//
// A still after two seconds, with
//   TESSERA_HEADLESS=1 TESSERA_FAKE_CLOCK=1 TESSERA_CAPTURE=particles.png
//   TESSERA_CAPTURE_AT=2 in the environment.

#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/Ref.h"
#include "platform/Screen.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCParticleExamples.h"
#include "tessera/CCParticleSystemQuad.h"
#include "tessera/CCScene.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace {

// Frames to draw before quitting; 0 runs until the window is closed.
long g_frameLimit = 0;

// A blue vortex: particles start on a circle of 120 points and spiral in to
// the centre over their life, turning 180 degrees a second.
constexpr std::string_view kVortex = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0">
<dict>
  <key>maxParticles</key><integer>300</integer>
  <key>emitterType</key><integer>1</integer>
  <key>duration</key><real>-1</real>
  <key>particleLifespan</key><real>2</real>
  <key>particleLifespanVariance</key><real>0.5</real>
  <key>angle</key><real>0</real>
  <key>angleVariance</key><real>360</real>
  <key>maxRadius</key><real>120</real>
  <key>maxRadiusVariance</key><real>10</real>
  <key>minRadius</key><real>0</real>
  <key>rotatePerSecond</key><real>180</real>
  <key>rotatePerSecondVariance</key><real>20</real>
  <key>startParticleSize</key><real>24</real>
  <key>startParticleSizeVariance</key><real>8</real>
  <key>finishParticleSize</key><real>4</real>
  <key>finishParticleSizeVariance</key><real>0</real>
  <key>startColorRed</key><real>0.2</real>
  <key>startColorGreen</key><real>0.4</real>
  <key>startColorBlue</key><real>1</real>
  <key>startColorAlpha</key><real>1</real>
  <key>startColorVarianceRed</key><real>0</real>
  <key>startColorVarianceGreen</key><real>0.2</real>
  <key>startColorVarianceBlue</key><real>0</real>
  <key>startColorVarianceAlpha</key><real>0</real>
  <key>finishColorRed</key><real>0.6</real>
  <key>finishColorGreen</key><real>0.9</real>
  <key>finishColorBlue</key><real>1</real>
  <key>finishColorAlpha</key><real>0</real>
  <key>sourcePositionx</key><real>160</real>
  <key>sourcePositiony</key><real>330</real>
  <key>sourcePositionVariancex</key><real>0</real>
  <key>sourcePositionVariancey</key><real>0</real>
  <key>blendFuncSource</key><integer>770</integer>
  <key>blendFuncDestination</key><integer>1</integer>
  <key>textureFileName</key><string>fire.png</string>
</dict>
</plist>
)";

CCParticleSystemQuad* vortexFromPropertyList() {
  const std::optional<platform::Value> list = platform::readPropertyListData(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(kVortex.data()), kVortex.size()));
  if (!list) return nullptr;
  return platform::createAutoreleased<CCParticleSystemQuad>(
      [&](CCParticleSystemQuad& system) { return system.initWithDictionary(*list); });
}

class ParticlesScene : public CCScene {
  PLATFORM_CLASS(ParticlesScene, CCScene)
 public:
  CC_NODE_FACTORY(ParticlesScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    addChild(CCLayerColor::layerWithColor(ccc4(10, 10, 20, 255)));

    // Presets place themselves relative to the window; move them into a row.
    CCParticleSystem* smoke = CCParticleSmoke::node();
    CCParticleSystem* fire = CCParticleFire::node();
    CCParticleSystem* galaxy = CCParticleGalaxy::node();
    CCParticleSystem* meteor = CCParticleMeteor::node();
    CCParticleSystem* flower = CCParticleFlower::node();
    CCParticleSystemQuad* vortex = vortexFromPropertyList();
    if (!smoke || !fire || !galaxy || !meteor || !flower || !vortex) return false;
    smoke->setPosition(CGPointMake(size.width * 0.5f, 0));
    fire->setPosition(CGPointMake(size.width * 0.5f, 40));
    fire->setPosVar(CGPointMake(size.width * 0.3f, 10));
    galaxy->setPosition(CGPointMake(size.width * 0.25f, size.height * 0.35f));
    meteor->setPosition(CGPointMake(size.width * 0.75f, size.height * 0.35f));
    flower->setPosition(CGPointMake(size.width * 0.5f, size.height * 0.45f));
    for (CCParticleSystem* system : {smoke, fire, galaxy, meteor, flower}) addChild(system);
    addChild(vortex);
    return true;
  }

  void visit() override {
    CCScene::visit();
    ++frames_;
    if (g_frameLimit > 0 && frames_ == g_frameLimit) {
      std::printf("particles: drew %ld frames\n", frames_);
      platform::Application::sharedApplication()->terminate();
    }
  }

 private:
  long frames_ = 0;
};

class ParticlesDelegate : public platform::ApplicationDelegate {
  PLATFORM_CLASS(ParticlesDelegate, platform::ApplicationDelegate)
 public:
  void applicationDidFinishLaunching(platform::Application*) override {
    // Initialization: a window the size of the screen, the display-refresh
    // director where the system has it, the GL view attached to the window.
    window_ = platform::Window::windowWithFrame(platform::Screen::mainScreen()->bounds());
    if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink)) CCDirector::setDirectorType(kCCDirectorTypeTimer);
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    director->setPixelFormat(kCCPixelFormatRGBA8888);
    if (!director->attachInWindow(window_.get())) {
      CCLOG("particles: could not attach the GL view");
      std::exit(1);
    }
    director->setAnimationInterval(1.0 / 60.0);
    window_->makeKeyAndVisible();

    // Update and draw: every particle system schedules its own update.
    CCScene* scene = ParticlesScene::node();
    if (!scene) {
      CCLOG("particles: could not build the scene");
      std::exit(1);
    }
    director->runWithScene(scene);
  }

  void applicationWillResignActive(platform::Application*) override { CCDirector::sharedDirector()->pause(); }
  void applicationDidBecomeActive(platform::Application*) override { CCDirector::sharedDirector()->resume(); }

  // De-initialization.
  void applicationWillTerminate(platform::Application*) override {
    CCDirector::sharedDirector()->end();
    window_ = nullptr;
  }

 private:
  platform::Ref<platform::Window> window_;
};

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      g_frameLimit = std::strtol(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: %s [--frames N]\n", argv[0]);
      return 2;
    }
  }
  // "fire.png" and the frame-rate digits come from the shared resources.
  if (platform::facts().resourceDir.empty()) platform::facts().resourceDir = TESSERA_EXAMPLE_RESOURCES;
  const int status = platform::applicationMain(argc, argv, "ParticlesDelegate");
  CCDirector::purgeSharedDirector();
  return status;
}
