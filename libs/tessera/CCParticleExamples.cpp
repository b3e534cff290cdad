#include "tessera/CCParticleExamples.h"

#include "tessera/CCDirector.h"
#include "tessera/CCTextureCache.h"

namespace {

// Everything a preset sets, in points, seconds and degrees.
struct PresetConfig {
  unsigned int particles;
  float duration;
  CGPoint gravity;
  float radialAccel, radialAccelVar;
  float tangentialAccel, tangentialAccelVar;
  float speed, speedVar;
  float angle, angleVar;
  // Node position as fractions of the window, plus an offset in points.
  CGPoint positionFraction, positionOffset;
  CGPoint posVar;
  float life, lifeVar;
  float startSize, startSizeVar, endSize;
  ccColor4F startColor, startColorVar, endColor, endColorVar;
  bool additive;
  // Emission rate; 0 means total particles / life.
  float emissionRate;
};

constexpr ccColor4F kClear{0, 0, 0, 0};
constexpr ccColor4F kOpaqueBlack{0, 0, 0, 1};

bool configure(CCParticleSystemPoint& system, const PresetConfig& c) {
  system.setDuration(c.duration);
  system.setEmitterMode(kCCParticleModeGravity);
  system.setGravity(c.gravity);
  system.setRadialAccel(c.radialAccel);
  system.setRadialAccelVar(c.radialAccelVar);
  system.setTangentialAccel(c.tangentialAccel);
  system.setTangentialAccelVar(c.tangentialAccelVar);
  system.setSpeed(c.speed);
  system.setSpeedVar(c.speedVar);
  system.setAngle(c.angle);
  system.setAngleVar(c.angleVar);
  const CGSize window = CCDirector::sharedDirector()->winSize();
  system.setPosition(CGPointMake(window.width * c.positionFraction.x + c.positionOffset.x,
                                 window.height * c.positionFraction.y + c.positionOffset.y));
  system.setPosVar(c.posVar);
  system.setLife(c.life);
  system.setLifeVar(c.lifeVar);
  system.setStartSize(c.startSize);
  system.setStartSizeVar(c.startSizeVar);
  system.setEndSize(c.endSize);
  system.setEmissionRate(c.emissionRate != 0 ? c.emissionRate : system.totalParticles() / c.life);
  system.setStartColor(c.startColor);
  system.setStartColorVar(c.startColorVar);
  system.setEndColor(c.endColor);
  system.setEndColorVar(c.endColorVar);
  system.setTexture(CCTextureCache::sharedTextureCache()->addImage("fire.png"));
  system.setBlendAdditive(c.additive);
  return true;
}

constexpr PresetConfig kFireworks{1500, kCCParticleDurationInfinity, {0, -90}, 0, 0, 0, 0, 180, 50, 90, 20,
                                  {0.5f, 0.5f}, {0, 0}, {0, 0}, 3.5f, 1, 8, 2, kCCParticleStartSizeEqualToEndSize,
                                  {0.5f, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 0.1f}, {0.1f, 0.1f, 0.1f, 0.2f},
                                  {0.1f, 0.1f, 0.1f, 0.2f}, false, 0};
constexpr PresetConfig kFire{250, kCCParticleDurationInfinity, {0, 0}, 0, 0, 0, 0, 60, 20, 90, 10,
                             {0.5f, 0}, {0, 60}, {40, 20}, 3, 0.25f, 54, 10, kCCParticleStartSizeEqualToEndSize,
                             {0.76f, 0.25f, 0.12f, 1}, kClear, kOpaqueBlack, kClear, true, 0};
constexpr PresetConfig kSun{350, kCCParticleDurationInfinity, {0, 0}, 0, 0, 0, 0, 20, 5, 90, 360,
                            {0.5f, 0.5f}, {0, 0}, {0, 0}, 1, 0.5f, 30, 10, kCCParticleStartSizeEqualToEndSize,
                            {0.76f, 0.25f, 0.12f, 1}, kClear, kOpaqueBlack, kClear, true, 0};
constexpr PresetConfig kGalaxy{200, kCCParticleDurationInfinity, {0, 0}, -80, 0, 80, 0, 60, 10, 90, 360,
                               {0.5f, 0.5f}, {0, 0}, {0, 0}, 4, 1, 37, 10, kCCParticleStartSizeEqualToEndSize,
                               {0.12f, 0.25f, 0.76f, 1}, kClear, kOpaqueBlack, kClear, true, 0};
constexpr PresetConfig kFlower{250, kCCParticleDurationInfinity, {0, 0}, -60, 0, 15, 0, 80, 10, 90, 360,
                               {0.5f, 0.5f}, {0, 0}, {0, 0}, 4, 1, 30, 10, kCCParticleStartSizeEqualToEndSize,
                               {0.5f, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 0.5f}, kOpaqueBlack, kClear, true, 0};
constexpr PresetConfig kMeteor{150, kCCParticleDurationInfinity, {-200, 200}, 0, 0, 0, 0, 15, 5, 90, 360,
                               {0.5f, 0.5f}, {0, 0}, {0, 0}, 2, 1, 60, 4, kCCParticleStartSizeEqualToEndSize,
                               {0.2f, 0.4f, 0.7f, 1}, {0, 0, 0.2f, 0.1f}, kOpaqueBlack, kClear, true, 0};
constexpr PresetConfig kSpiral{500, kCCParticleDurationInfinity, {0, 0}, -380, 0, 45, 0, 150, 0, 90, 0,
                               {0.5f, 0.5f}, {0, 0}, {0, 0}, 12, 0, 20, 0, kCCParticleStartSizeEqualToEndSize,
                               {0.5f, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 0}, {0.5f, 0.5f, 0.5f, 1},
                               {0.5f, 0.5f, 0.5f, 0}, false, 0};
constexpr PresetConfig kExplosion{700, 0.1f, {0, 0}, 0, 0, 0, 0, 70, 40, 90, 360,
                                  {0.5f, 0.5f}, {0, 0}, {0, 0}, 5, 2, 15, 10, kCCParticleStartSizeEqualToEndSize,
                                  {0.7f, 0.1f, 0.2f, 1}, {0.5f, 0.5f, 0.5f, 0}, {0.5f, 0.5f, 0.5f, 0},
                                  {0.5f, 0.5f, 0.5f, 0}, false, 7000};
constexpr PresetConfig kSmoke{200, kCCParticleDurationInfinity, {0, 0}, 0, 0, 0, 0, 25, 10, 90, 5,
                              {0.5f, 0}, {0, 0}, {20, 0}, 4, 1, 60, 4, kCCParticleStartSizeEqualToEndSize,
                              {0.8f, 0.8f, 0.8f, 1}, {0.02f, 0.02f, 0.02f, 0}, {0, 0, 0, 1}, kClear, false, 0};
constexpr PresetConfig kSnow{700, kCCParticleDurationInfinity, {0, -1}, 0, 1, 0, 1, 5, 1, -90, 5,
                             {0.5f, 1}, {0, 10}, {0, 0}, 45, 15, 10, 5, kCCParticleStartSizeEqualToEndSize,
                             {1, 1, 1, 1}, {0, 0, 0, 0}, {1, 1, 1, 0}, kClear, false, 10};
constexpr PresetConfig kRain{1000, kCCParticleDurationInfinity, {10, -10}, 0, 1, 0, 1, 130, 30, -90, 5,
                             {0.5f, 1}, {0, 0}, {0, 0}, 4.5f, 0, 4, 2, kCCParticleStartSizeEqualToEndSize,
                             {0.7f, 0.8f, 1, 1}, {0, 0, 0, 0}, {0.7f, 0.8f, 1, 0.5f}, kClear, false, 20};

}  // namespace

// Snow and rain fall from a line across the top of the window: their position
// variance depends on its width, set after the table's values.
#define CC_PARTICLE_PRESET_DEFINE(ClassName, config, extra)                            \
  bool ClassName::init() { return initWithTotalParticles(config.particles); }          \
  bool ClassName::initWithTotalParticles(unsigned int numberOfParticles) {             \
    if (!CCParticleSystemPoint::initWithTotalParticles(numberOfParticles)) return false; \
    if (!configure(*this, config)) return false;                                       \
    extra;                                                                             \
    return true;                                                                       \
  }

CC_PARTICLE_PRESET_DEFINE(CCParticleFireworks, kFireworks, )
CC_PARTICLE_PRESET_DEFINE(CCParticleFire, kFire, )
CC_PARTICLE_PRESET_DEFINE(CCParticleSun, kSun, )
CC_PARTICLE_PRESET_DEFINE(CCParticleGalaxy, kGalaxy, )
CC_PARTICLE_PRESET_DEFINE(CCParticleFlower, kFlower, )
CC_PARTICLE_PRESET_DEFINE(CCParticleMeteor, kMeteor, )
CC_PARTICLE_PRESET_DEFINE(CCParticleSpiral, kSpiral, )
CC_PARTICLE_PRESET_DEFINE(CCParticleExplosion, kExplosion, )
CC_PARTICLE_PRESET_DEFINE(CCParticleSmoke, kSmoke, )
CC_PARTICLE_PRESET_DEFINE(CCParticleSnow, kSnow,
                          setPosVar(CGPointMake(CCDirector::sharedDirector()->winSize().width / 2, 0)))
CC_PARTICLE_PRESET_DEFINE(CCParticleRain, kRain,
                          setPosVar(CGPointMake(CCDirector::sharedDirector()->winSize().width / 2, 0)))

#undef CC_PARTICLE_PRESET_DEFINE
