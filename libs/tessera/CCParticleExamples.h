#pragma once
// Ready-made particle effects: fireworks, fire, sun, galaxy, flower, meteor,
// spiral, explosion, smoke, snow and rain. Each is a point-sprite system of a
// fixed capacity in gravity mode, textured with "fire.png" through the
// texture cache, placed relative to the window (the director's winSize()).
// Make one with node(); adjust it afterwards like any particle system.
//
//   class           particles  duration  speed  life  additive
//   Fireworks       1500       for ever  180    3.5   no
//   Fire            250        for ever  60     3     yes
//   Sun             350        for ever  20     1     yes
//   Galaxy          200        for ever  60     4     yes
//   Flower          250        for ever  80     4     yes
//   Meteor          150        for ever  15     2     yes
//   Spiral          500        for ever  150    12    no
//   Explosion       700        0.1 s     70     5     no
//   Smoke           200        for ever  25     4     no
//   Snow            700        for ever  5      45    no
//   Rain            1000       for ever  130    4.5   no
//
// When "fire.png" can't be loaded the effect still runs, drawing untextured
// points (the texture cache logs the missing file).

#include "tessera/CCParticleSystemPoint.h"

// Declares a preset: node(), init() (initWithTotalParticles(count)) and the
// configuring initWithTotalParticles().
#define CC_PARTICLE_PRESET(ClassName)                                          \
  class ClassName : public CCParticleSystemPoint {                            \
    PLATFORM_CLASS(ClassName, CCParticleSystemPoint)                          \
                                                                               \
   public:                                                                     \
    CC_NODE_FACTORY(ClassName)                                                 \
    CC_PARTICLE_FILE_FACTORY(ClassName)                                        \
    /** The effect with its own particle count. */                            \
    bool init() override;                                                      \
    /** The point system, then the effect's configuration. */                 \
    bool initWithTotalParticles(unsigned int numberOfParticles) override;     \
                                                                               \
   protected:                                                                  \
    ~ClassName() override = default;                                           \
  };

/// The fireworks preset: 1500 particles, emits for ever; speed 180, life 3.5 s, normal blending.
CC_PARTICLE_PRESET(CCParticleFireworks)
/// The fire preset: 250 particles, emits for ever; speed 60, life 3 s, additive blending.
CC_PARTICLE_PRESET(CCParticleFire)
/// The sun preset: 350 particles, emits for ever; speed 20, life 1 s, additive blending.
CC_PARTICLE_PRESET(CCParticleSun)
/// The galaxy preset: 200 particles, emits for ever; speed 60, life 4 s, additive blending.
CC_PARTICLE_PRESET(CCParticleGalaxy)
/// The flower preset: 250 particles, emits for ever; speed 80, life 4 s, additive blending.
CC_PARTICLE_PRESET(CCParticleFlower)
/// The meteor preset: 150 particles, emits for ever; speed 15, life 2 s, additive blending.
CC_PARTICLE_PRESET(CCParticleMeteor)
/// The spiral preset: 500 particles, emits for ever; speed 150, life 12 s, normal blending.
CC_PARTICLE_PRESET(CCParticleSpiral)
/// The explosion preset: 700 particles, emits for 0.1 s; speed 70, life 5 s, normal blending.
CC_PARTICLE_PRESET(CCParticleExplosion)
/// The smoke preset: 200 particles, emits for ever; speed 25, life 4 s, normal blending.
CC_PARTICLE_PRESET(CCParticleSmoke)
/// The snow preset: 700 particles, emits for ever; speed 5, life 45 s, normal blending.
CC_PARTICLE_PRESET(CCParticleSnow)
/// The rain preset: 1000 particles, emits for ever; speed 130, life 4.5 s, normal blending.
CC_PARTICLE_PRESET(CCParticleRain)

#undef CC_PARTICLE_PRESET
