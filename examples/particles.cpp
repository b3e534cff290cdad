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

#include "ExampleApplication.h"
#include "platform/PropertyList.h"
#include "platform/Ref.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCParticleExamples.h"
#include "tessera/CCParticleSystemQuad.h"
#include "tessera/CCScene.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace {

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

class ParticlesScene : public ExampleScene {
  PLATFORM_CLASS(ParticlesScene, ExampleScene)
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
};

class ParticlesDelegate : public ExampleDelegate {
  PLATFORM_CLASS(ParticlesDelegate, ExampleDelegate)

 protected:
  CCScene* firstScene() override { return ParticlesScene::node(); }
};

}  // namespace

int main(int argc, char** argv) { return runExample(argc, argv, "ParticlesDelegate"); }
