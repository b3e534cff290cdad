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
#include "ParticleVortex.h"
#include "platform/Ref.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCParticleExamples.h"
#include "tessera/CCParticleSystemQuad.h"
#include "tessera/CCScene.h"

namespace {

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
