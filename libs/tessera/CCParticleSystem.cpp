#include "tessera/CCParticleSystem.h"

#include "platform/Assert.h"
#include "platform/Image.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/Random.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Support/CCFileUtils.h"
#include "tessera/Support/ZipUtils.h"
#include "tessera/Support/ccSinCos.h"
#include "tessera/Support/base64.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <span>

// [SECTION] Creation
// [SECTION] Property lists
// [SECTION] Emission
// [SECTION] Update
// [SECTION] Mode accessors
// [SECTION] Texture and blending

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kRadiansToDegrees = 57.29577951f;

// A fresh draw in -1 <= r < 1: random() / 2^30 - 1. The quotient is formed in
// double and capped just below 1, since rounding the top values of random()
// to float would give exactly 1.
float randomMinus1To1() {
  const double r = static_cast<double>(platform::random()) / 1073741824.0 - 1.0;
  constexpr float kBelowOne = 0.99999994f;  // nextafterf(1, 0)
  return std::clamp(static_cast<float>(r), -1.0f, kBelowOne);
}

float clamp01(float value) { return std::clamp(value, 0.0f, 1.0f); }

// Each component of `base` plus its variance times a fresh draw, clamped to 0..1.
ccColor4F randomColor(const ccColor4F& base, const ccColor4F& variance) {
  ccColor4F color;
  color.r = clamp01(base.r + variance.r * randomMinus1To1());
  color.g = clamp01(base.g + variance.g * randomMinus1To1());
  color.b = clamp01(base.b + variance.b * randomMinus1To1());
  color.a = clamp01(base.a + variance.a * randomMinus1To1());
  return color;
}

}  // namespace

// [SECTION] Creation

CCParticleSystem* CCParticleSystem::particleWithFile(const std::string& plistFile) {
  return particleWithFileOf<CCParticleSystem>(plistFile);
}

bool CCParticleSystem::init() {
  CCAssert(false, "CCParticleSystem: Init not supported.");
  return false;
}

bool CCParticleSystem::initWithTotalParticles(unsigned int numberOfParticles) {
  if (!CCNode::init()) return false;
  if (numberOfParticles > kCCParticleSystemMaxParticles) {
    CCLOG("tessera: Particle system: not enough memory for %u particles (the limit is %u)", numberOfParticles,
          kCCParticleSystemMaxParticles);
    return false;
  }
  // Initialising again (a live system re-read from a file) starts afresh.
  std::free(particles_);
  particles_ = static_cast<CCParticle*>(std::calloc(std::max(numberOfParticles, 1u), sizeof(CCParticle)));
  if (!particles_) {
    CCLOG("tessera: Particle system: not enough memory for %u particles of %zu bytes", numberOfParticles,
          sizeof(CCParticle));
    totalParticles_ = allocatedParticles_ = 0;
    return false;
  }
  totalParticles_ = allocatedParticles_ = numberOfParticles;
  particleCount_ = 0;
  particleIdx_ = 0;
  emitCounter_ = 0;
  elapsed_ = 0;

  active_ = true;
  blendFunc_ = {CC_BLEND_SRC, CC_BLEND_DST};
  positionType_ = kCCPositionTypeFree;
  emitterMode_ = kCCParticleModeGravity;
  autoRemoveOnFinish_ = false;

  scheduleUpdateWithPriority(1);
  return true;
}

CCParticleSystem::~CCParticleSystem() { std::free(particles_); }

void CCParticleSystem::setTotalParticles(unsigned int totalParticles) {
  CCAssert(totalParticles <= allocatedParticles_,
           "Particle system: totalParticles can't exceed the capacity given at creation");
  if (totalParticles > allocatedParticles_) return;
  totalParticles_ = totalParticles;
}

// [SECTION] Property lists

bool CCParticleSystem::initWithFile(const std::string& plistFile) {
  const std::string path = CCFileUtils::fullPathFromRelativePath(plistFile);
  const std::optional<platform::Value> dictionary = platform::readPropertyListFile(path);
  CCAssert(dictionary && dictionary->isDict(), "Particles: file not found");
  if (!dictionary || !dictionary->isDict()) return false;
  return initWithDictionary(*dictionary);
}

bool CCParticleSystem::initWithDictionary(const platform::Value& dictionary) {
  const platform::Value& d = dictionary;
  const std::int32_t maxParticles = d["maxParticles"].intValue();
  if (maxParticles < 0) {
    CCLOG("tessera: CCParticleSystem: maxParticles %d is negative", maxParticles);
    return false;
  }
  if (!initWithTotalParticles(static_cast<unsigned int>(maxParticles))) return false;

  angle_ = d["angle"].floatValue();
  angleVar_ = d["angleVariance"].floatValue();
  duration_ = d["duration"].floatValue();
  blendFunc_.src = static_cast<GLenum>(d["blendFuncSource"].intValue());
  blendFunc_.dst = static_cast<GLenum>(d["blendFuncDestination"].intValue());

  startColor_ = {d["startColorRed"].floatValue(), d["startColorGreen"].floatValue(),
                 d["startColorBlue"].floatValue(), d["startColorAlpha"].floatValue()};
  startColorVar_ = {d["startColorVarianceRed"].floatValue(), d["startColorVarianceGreen"].floatValue(),
                    d["startColorVarianceBlue"].floatValue(), d["startColorVarianceAlpha"].floatValue()};
  endColor_ = {d["finishColorRed"].floatValue(), d["finishColorGreen"].floatValue(),
               d["finishColorBlue"].floatValue(), d["finishColorAlpha"].floatValue()};
  endColorVar_ = {d["finishColorVarianceRed"].floatValue(), d["finishColorVarianceGreen"].floatValue(),
                  d["finishColorVarianceBlue"].floatValue(), d["finishColorVarianceAlpha"].floatValue()};

  startSize_ = d["startParticleSize"].floatValue();
  startSizeVar_ = d["startParticleSizeVariance"].floatValue();
  endSize_ = d["finishParticleSize"].floatValue();
  endSizeVar_ = d["finishParticleSizeVariance"].floatValue();

  // The file's source position places the node; the emitter stays at its origin.
  setPosition(CGPointMake(d["sourcePositionx"].floatValue(), d["sourcePositiony"].floatValue()));
  posVar_ = CGPointMake(d["sourcePositionVariancex"].floatValue(), d["sourcePositionVariancey"].floatValue());

  emitterMode_ = d["emitterType"].intValue();
  if (emitterMode_ == kCCParticleModeGravity) {
    gravityMode_.gravity = CGPointMake(d["gravityx"].floatValue(), d["gravityy"].floatValue());
    gravityMode_.speed = d["speed"].floatValue();
    gravityMode_.speedVar = d["speedVariance"].floatValue();
    gravityMode_.radialAccel = d["radialAcceleration"].floatValue();
    gravityMode_.radialAccelVar = d["radialAccelVariance"].floatValue();
    gravityMode_.tangentialAccel = d["tangentialAcceleration"].floatValue();
    gravityMode_.tangentialAccelVar = d["tangentialAccelVariance"].floatValue();
  } else if (emitterMode_ == kCCParticleModeRadius) {
    radiusMode_.startRadius = d["maxRadius"].floatValue();
    radiusMode_.startRadiusVar = d["maxRadiusVariance"].floatValue();
    radiusMode_.endRadius = d["minRadius"].floatValue();
    radiusMode_.endRadiusVar = 0;
    radiusMode_.rotatePerSecond = d["rotatePerSecond"].floatValue();
    radiusMode_.rotatePerSecondVar = d["rotatePerSecondVariance"].floatValue();
  } else {
    CCAssert(false, "Invalid emitterType in config file");
    CCLOG("tessera: CCParticleSystem: emitterType %d is neither 0 (gravity) nor 1 (radius)", emitterMode_);
    emitterMode_ = kCCParticleModeGravity;
    return false;
  }

  life_ = d["particleLifespan"].floatValue();
  lifeVar_ = d["particleLifespanVariance"].floatValue();
  emissionRate_ = static_cast<float>(totalParticles_) / life_;

  CCTexture2D* texture = textureFromDictionary(d);
  if (texture) {
    setTexture(texture);
  } else {
    CCLOG("tessera: CCParticleSystem: error loading the texture ('%s')", d["textureFileName"].stringValue().c_str());
  }
  return true;
}

CCTexture2D* CCParticleSystem::textureFromDictionary(const platform::Value& d) {
  const std::string fileName = d["textureFileName"].stringValue();
  CCTextureCache* cache = CCTextureCache::sharedTextureCache();
  if (!fileName.empty()) {
    if (CCTexture2D* texture = cache->addImage(fileName)) return texture;
  }
  const platform::Value& embedded = d["textureImageData"];
  if (!embedded.isString()) return nullptr;
  const std::string& text = embedded.asString();
  if (text.size() > UINT_MAX) {
    CCLOG("tessera: CCParticleSystem: error decoding textureImageData (%zu characters)", text.size());
    return nullptr;
  }

  unsigned char* packed = nullptr;
  const int packedLength =
      base64Decode(reinterpret_cast<const unsigned char*>(text.data()), static_cast<unsigned int>(text.size()), &packed);
  if (!packed || packedLength <= 0) {
    std::free(packed);
    CCLOG("tessera: CCParticleSystem: error decoding textureImageData (%zu characters)", text.size());
    return nullptr;
  }
  unsigned char* bytes = nullptr;
  const int length = ccInflateBytes(packed, static_cast<unsigned int>(packedLength), &bytes);
  std::free(packed);
  if (!bytes || length <= 0) {
    std::free(bytes);
    CCLOG("tessera: CCParticleSystem: error ungzipping textureImageData (%d bytes of packed data)", packedLength);
    return nullptr;
  }
  platform::Ref<platform::Image> image =
      platform::Image::imageWithData(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)));
  std::free(bytes);
  if (!image) return nullptr;
  return cache->addCGImage(image.get(), fileName);
}

// [SECTION] Emission

bool CCParticleSystem::addParticle() {
  if (isFull()) return false;
  initParticle(&particles_[particleCount_]);
  ++particleCount_;
  return true;
}

void CCParticleSystem::initParticle(CCParticle* particle) {
  const float factor = CC_CONTENT_SCALE_FACTOR();

  particle->lifeLeft = std::max(0.0f, life_ + lifeVar_ * randomMinus1To1());
  // Deltas spread the change over the life; a particle born dead (life 0)
  // dies at its first update and needs none (the quotient would be infinite).
  const float life = particle->lifeLeft;

  const float x = sourcePosition_.x + posVar_.x * randomMinus1To1();
  const float y = sourcePosition_.y + posVar_.y * randomMinus1To1();
  particle->position = CGPointMake(x * factor, y * factor);

  const ccColor4F start = randomColor(startColor_, startColorVar_);
  const ccColor4F end = randomColor(endColor_, endColorVar_);
  particle->color = start;
  particle->colorDelta = {};
  if (life > 0) {
    particle->colorDelta = {(end.r - start.r) / life, (end.g - start.g) / life, (end.b - start.b) / life,
                            (end.a - start.a) / life};
  }

  const float startSize = std::max(0.0f, startSize_ + startSizeVar_ * randomMinus1To1()) * factor;
  particle->size = startSize;
  if (endSize_ == kCCParticleStartSizeEqualToEndSize) {
    particle->sizeDelta = 0;
  } else {
    const float endSize = std::max(0.0f, endSize_ + endSizeVar_ * randomMinus1To1()) * factor;
    particle->sizeDelta = life > 0 ? (endSize - startSize) / life : 0.0f;
  }

  const float startSpin = startSpin_ + startSpinVar_ * randomMinus1To1();
  const float endSpin = endSpin_ + endSpinVar_ * randomMinus1To1();
  particle->rotation = startSpin;
  particle->rotationDelta = life > 0 ? (endSpin - startSpin) / life : 0.0f;

  if (positionType_ == kCCPositionTypeFree) {
    const CGPoint origin = convertToWorldSpace(CGPointZero);
    particle->startPosition = CGPointMake(origin.x * factor, origin.y * factor);
  } else if (positionType_ == kCCPositionTypeRelative) {
    particle->startPosition = CGPointMake(position_.x * factor, position_.y * factor);
  }

  const float direction = (angle_ + angleVar_ * randomMinus1To1()) * kDegreesToRadians;
  if (emitterMode_ == kCCParticleModeGravity) {
    const float speed = (gravityMode_.speed + gravityMode_.speedVar * randomMinus1To1()) * factor;
    particle->mode.gravity.dir = CGPointMake(std::cos(direction) * speed, std::sin(direction) * speed);
    particle->mode.gravity.radialAccel =
        (gravityMode_.radialAccel + gravityMode_.radialAccelVar * randomMinus1To1()) * factor;
    particle->mode.gravity.tangentialAccel =
        (gravityMode_.tangentialAccel + gravityMode_.tangentialAccelVar * randomMinus1To1()) * factor;
  } else {
    const float startRadius = (radiusMode_.startRadius + radiusMode_.startRadiusVar * randomMinus1To1()) * factor;
    particle->mode.radius.radius = startRadius;
    if (radiusMode_.endRadius == kCCParticleStartRadiusEqualToEndRadius) {
      particle->mode.radius.deltaRadius = 0;
    } else {
      const float endRadius = (radiusMode_.endRadius + radiusMode_.endRadiusVar * randomMinus1To1()) * factor;
      particle->mode.radius.deltaRadius = life > 0 ? (endRadius - startRadius) / life : 0.0f;
    }
    particle->mode.radius.angle = direction;
    particle->mode.radius.degreesPerSecond =
        (radiusMode_.rotatePerSecond + radiusMode_.rotatePerSecondVar * randomMinus1To1()) * kDegreesToRadians;
  }
}

void CCParticleSystem::stopSystem() {
  active_ = false;
  elapsed_ = duration_;
  emitCounter_ = 0;
}

void CCParticleSystem::resetSystem() {
  active_ = true;
  elapsed_ = 0;
  for (unsigned int i = 0; i < particleCount_; ++i) particles_[i].lifeLeft = 0;
}

// [SECTION] Update

void CCParticleSystem::update(float dt) {
  if (active_ && emissionRate_ != 0) {
    const float rate = 1.0f / emissionRate_;
    emitCounter_ += dt;
    while (particleCount_ < totalParticles_ && emitCounter_ > rate) {
      addParticle();
      emitCounter_ -= rate;
    }
    elapsed_ += dt;
    if (duration_ != kCCParticleDurationInfinity && duration_ < elapsed_) stopSystem();
  }

  particleIdx_ = 0;
  const float factor = CC_CONTENT_SCALE_FACTOR();
  CGPoint current = CGPointZero;
  if (positionType_ == kCCPositionTypeFree) {
    const CGPoint origin = convertToWorldSpace(CGPointZero);
    current = CGPointMake(origin.x * factor, origin.y * factor);
  } else if (positionType_ == kCCPositionTypeRelative) {
    current = CGPointMake(position_.x * factor, position_.y * factor);
  }
  const bool followsEmitter = positionType_ != kCCPositionTypeGrouped;
  const bool gravityMode = emitterMode_ == kCCParticleModeGravity;
  const CGPoint gravity = gravityMode_.gravity;

  while (particleIdx_ < particleCount_) {
    CCParticle* p = &particles_[particleIdx_];
    p->lifeLeft -= dt;
    if (p->lifeLeft > 0) {
      if (gravityMode) {
        auto& g = p->mode.gravity;
        CGPoint normal = CGPointZero;
        if (p->position.x != 0 || p->position.y != 0) {
          const float inverseLength = 1.0f / std::sqrt(p->position.x * p->position.x + p->position.y * p->position.y);
          normal = CGPointMake(p->position.x * inverseLength, p->position.y * inverseLength);
        }
        const float radialX = normal.x * g.radialAccel, radialY = normal.y * g.radialAccel;
        const float tangentialX = -normal.y * g.tangentialAccel, tangentialY = normal.x * g.tangentialAccel;
        g.dir.x += (radialX + tangentialX + gravity.x) * dt;
        g.dir.y += (radialY + tangentialY + gravity.y) * dt;
        p->position.x += g.dir.x * dt;
        p->position.y += g.dir.y * dt;
      } else {
        auto& r = p->mode.radius;
        r.angle += r.degreesPerSecond * dt;
        r.radius += r.deltaRadius * dt;
        // Through degrees: the degree-based sine and cosine are several
        // times cheaper than the C library's and agree to within 1e-6.
        float sine = 0, cosine = 1;
        ccSinCosDegrees(r.angle * kRadiansToDegrees, &sine, &cosine);
        p->position = CGPointMake(-cosine * r.radius, -sine * r.radius);
      }
      p->color.r += p->colorDelta.r * dt;
      p->color.g += p->colorDelta.g * dt;
      p->color.b += p->colorDelta.b * dt;
      p->color.a += p->colorDelta.a * dt;
      p->size = std::max(0.0f, p->size + p->sizeDelta * dt);
      p->rotation += p->rotationDelta * dt;

      CGPoint newPosition = p->position;
      if (followsEmitter) {
        newPosition.x = p->position.x - (current.x - p->startPosition.x);
        newPosition.y = p->position.y - (current.y - p->startPosition.y);
      }
      updateQuadWithParticle(p, newPosition);
      ++particleIdx_;
    } else {
      // The last live particle takes the dead one's place and is examined next.
      if (particleIdx_ != particleCount_ - 1) *p = particles_[particleCount_ - 1];
      --particleCount_;
      if (particleCount_ == 0 && autoRemoveOnFinish_ && !active_) {
        unscheduleUpdate();
        // May destroy this system: touch nothing afterwards.
        removeFromParentAndCleanup(true);
        return;
      }
    }
  }
  postStep();
}

void CCParticleSystem::updateQuadWithParticle(CCParticle*, CGPoint) {}

void CCParticleSystem::postStep() {}

// [SECTION] Mode accessors

#define CC_PARTICLE_MODE_ACCESSORS(Type, getter, setter, mode, field, message) \
  Type CCParticleSystem::getter() const {                                     \
    CCAssert(emitterMode_ == mode, message);                                  \
    return field;                                                             \
  }                                                                           \
  void CCParticleSystem::setter(Type value) {                                 \
    CCAssert(emitterMode_ == mode, message);                                  \
    field = value;                                                            \
  }

#define CC_GRAVITY_ACCESSORS(Type, getter, setter, field)                                    \
  CC_PARTICLE_MODE_ACCESSORS(Type, getter, setter, kCCParticleModeGravity, gravityMode_.field, \
                             "Particle Mode should be Gravity")
#define CC_RADIUS_ACCESSORS(Type, getter, setter, field)                                   \
  CC_PARTICLE_MODE_ACCESSORS(Type, getter, setter, kCCParticleModeRadius, radiusMode_.field, \
                             "Particle Mode should be Radius")

CC_GRAVITY_ACCESSORS(CGPoint, gravity, setGravity, gravity)
CC_GRAVITY_ACCESSORS(float, speed, setSpeed, speed)
CC_GRAVITY_ACCESSORS(float, speedVar, setSpeedVar, speedVar)
CC_GRAVITY_ACCESSORS(float, tangentialAccel, setTangentialAccel, tangentialAccel)
CC_GRAVITY_ACCESSORS(float, tangentialAccelVar, setTangentialAccelVar, tangentialAccelVar)
CC_GRAVITY_ACCESSORS(float, radialAccel, setRadialAccel, radialAccel)
CC_GRAVITY_ACCESSORS(float, radialAccelVar, setRadialAccelVar, radialAccelVar)
CC_RADIUS_ACCESSORS(float, startRadius, setStartRadius, startRadius)
CC_RADIUS_ACCESSORS(float, startRadiusVar, setStartRadiusVar, startRadiusVar)
CC_RADIUS_ACCESSORS(float, endRadius, setEndRadius, endRadius)
CC_RADIUS_ACCESSORS(float, endRadiusVar, setEndRadiusVar, endRadiusVar)
CC_RADIUS_ACCESSORS(float, rotatePerSecond, setRotatePerSecond, rotatePerSecond)
CC_RADIUS_ACCESSORS(float, rotatePerSecondVar, setRotatePerSecondVar, rotatePerSecondVar)

#undef CC_RADIUS_ACCESSORS
#undef CC_GRAVITY_ACCESSORS
#undef CC_PARTICLE_MODE_ACCESSORS

// [SECTION] Texture and blending

void CCParticleSystem::setTexture(CCTexture2D* texture) {
  texture_ = texture;
  if (texture && !texture->hasPremultipliedAlpha() && blendFunc_ == ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST}) {
    blendFunc_ = {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
  }
}

bool CCParticleSystem::blendAdditive() const { return blendFunc_ == ccBlendFunc{GL_SRC_ALPHA, GL_ONE}; }

void CCParticleSystem::setBlendAdditive(bool additive) {
  if (additive) {
    blendFunc_ = {GL_SRC_ALPHA, GL_ONE};
  } else if (!texture_ || texture_->hasPremultipliedAlpha()) {
    blendFunc_ = {CC_BLEND_SRC, CC_BLEND_DST};
  } else {
    blendFunc_ = {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
  }
}
