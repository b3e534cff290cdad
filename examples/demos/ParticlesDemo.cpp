// Particles: the ready-made fire, galaxy and meteor, and the vortex read
// from a property list (shared with the particles example).

#include "../ParticleVortex.h"
#include "Demos.h"
#include "tessera/CCDirector.h"
#include "tessera/CCParticleExamples.h"

CCNode* makeParticlesDemo() {
  const CGSize size = CCDirector::sharedDirector()->winSize();
  CCParticleSystem* fire = CCParticleFire::node();
  CCParticleSystem* galaxy = CCParticleGalaxy::node();
  CCParticleSystem* meteor = CCParticleMeteor::node();
  CCParticleSystemQuad* vortex = vortexFromPropertyList();
  if (!fire || !galaxy || !meteor || !vortex) return nullptr;
  CCNode* root = CCNode::node();
  fire->setPosition(CGPointMake(size.width * 0.5f, 50));
  fire->setPosVar(CGPointMake(size.width * 0.3f, 10));
  galaxy->setPosition(CGPointMake(size.width * 0.2f, size.height * 0.55f));
  meteor->setPosition(CGPointMake(size.width * 0.8f, size.height * 0.55f));
  // The vortex is placed for a small screen: move it to the middle.
  vortex->setPosition(CGPointMake(size.width * 0.5f, size.height * 0.55f));
  for (CCParticleSystem* system : {fire, galaxy, meteor}) root->addChild(system);
  root->addChild(vortex);
  return root;
}
