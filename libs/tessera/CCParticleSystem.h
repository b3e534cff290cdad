#pragma once
// CCParticleSystem: a node that emits short-lived particles from a source,
// moves them every frame, fades their colour, size and spin over their life
// and hands each one to a subclass to be drawn.

#include "platform/Geometry.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "tessera/CCNode.h"
#include "tessera/CCProtocols.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccTypes.h"

#include <cstdint>
#include <string>

/// Emitter modes.
inline constexpr int kCCParticleModeGravity = 0;
inline constexpr int kCCParticleModeRadius = 1;

/// Position types.
inline constexpr int kCCPositionTypeFree = 0;
inline constexpr int kCCPositionTypeRelative = 1;
inline constexpr int kCCPositionTypeGrouped = 2;

/// Duration of a system that emits for ever.
inline constexpr float kCCParticleDurationInfinity = -1.0f;
/// End size (or end radius) that means "the same as at the start".
inline constexpr float kCCParticleStartSizeEqualToEndSize = -1.0f;
inline constexpr float kCCParticleStartRadiusEqualToEndRadius = -1.0f;

/// The most particles one system may hold. Larger capacities (a hostile file's
/// "maxParticles", a negative count read as unsigned) are refused with a log
/// line instead of asking the allocator for gigabytes.
inline constexpr unsigned int kCCParticleSystemMaxParticles = 1u << 20;

/// One particle. Positions and sizes in pixels; deltas per second.
struct CCParticle {
  CGPoint position;       // relative to startPosition, except in grouped mode
  CGPoint startPosition;  // where the emitter was at birth
  ccColor4F color;
  ccColor4F colorDelta;
  float size = 0;
  float sizeDelta = 0;
  float rotation = 0;       // degrees
  float rotationDelta = 0;  // degrees per second
  float lifeLeft = 0;       // seconds
  // Only the member of the system's emitter mode is meaningful. Both are four
  // floats, so a mode change on a live system reads finite numbers.
  union {
    struct {
      CGPoint dir;  // pixels per second
      float radialAccel;
      float tangentialAccel;
    } gravity;
    struct {
      float angle;             // radians
      float degreesPerSecond;  // radians per second, despite the name
      float radius;
      float deltaRadius;
    } radius;
  } mode = {};
};

/// A node that emits short-lived particles from a source, moves them every
/// frame, fades their colour, size and spin over their life and hands each one
/// to a subclass to be drawn.
///
/// Two emitter modes move the particles:
///   gravity (kCCParticleModeGravity): each particle starts with a speed in a
///     direction and is pulled by a constant gravity plus a radial and a
///     tangential acceleration about the source;
///   radius (kCCParticleModeRadius): each particle circles the source at a
///     radius that changes linearly over its life.
/// Three position types say where live particles are drawn when the emitter
/// moves:
///   free: a particle stays where it was born in the world;
///   relative: it stays where it was born relative to the node's parent;
///   grouped: it moves with the node.
///
/// A system is configured in code, by the presets (CCParticleExamples.h) or
/// from a property list (initWithFile, initWithDictionary). The base class
/// draws nothing: CCParticleSystemQuad draws textured quads and
/// CCParticleSystemPoint point sprites.
///
/// Every plus-or-minus variance draws a fresh value from platform::random()
/// (injectable, so tests choose the values).
///
/// Units: the configuration (sizes, speeds, positions, radii) is in points;
/// particle records are in pixels (points x the content scale factor).
///
/// Cost: particles live in one flat array made at creation; nothing is
/// allocated per frame or per particle. A dead particle is replaced by the
/// last live one, so the order of the particles is not kept. The per-particle
/// hook is one virtual call.
///
/// Main thread only.
class CCParticleSystem : public CCNode, public CCTextureProtocol {
  PLATFORM_CLASS(CCParticleSystem, CCNode)

 public:
  // [SECTION] Creation

  /// Always nullptr: init() is not supported (presets declare their own).
  CC_NODE_FACTORY(CCParticleSystem)

  /// A system (of the receiving class) read from the property list `plistFile`;
  /// see initWithFile. Autoreleased, or nullptr.
  /// \param plistFile the property-list file, looked up like any resource.
  static CCParticleSystem* particleWithFile(const std::string& plistFile);

  CCParticleSystem() = default;

  /// Not supported: fails the assertion "CCParticleSystem: Init not
  /// supported." and returns false. Presets override it.
  bool init() override;
  /// A system of `numberOfParticles` capacity: active, duration 0 (set it;
  /// -1 emits for ever), emission rate 0, gravity mode, free position type, blending (GL_ONE,
  /// GL_ONE_MINUS_SRC_ALPHA), no texture, update scheduled every frame with
  /// priority 1. Returns false (and logs "tessera: Particle system: not enough
  /// memory ...") when the capacity exceeds kCCParticleSystemMaxParticles or
  /// the arrays can't be allocated. Subclasses allocate their vertex arrays.
  /// \param numberOfParticles the capacity: the most particles alive at once.
  virtual bool initWithTotalParticles(unsigned int numberOfParticles);
  /// Reads the property list at `plistFile` (resolved through CCFileUtils)
  /// and calls initWithDictionary. A missing or unreadable file fails the
  /// assertion "Particles: file not found" and returns false.
  /// \param plistFile the property-list file, looked up like any resource.
  bool initWithFile(const std::string& plistFile);
  /// Configures from a dictionary of the property-list keys (maxParticles,
  /// angle, duration, blendFuncSource, startColorRed, ..., textureFileName,
  /// textureImageData). Missing keys and values of the wrong kind read as 0.
  /// The texture comes from "textureFileName" through the texture cache or,
  /// failing that, from "textureImageData" (Base64 of a gzip or zlib
  /// compressed PNG or JPEG), cached under the file name; without one the
  /// system is kept untextured and "tessera: CCParticleSystem: error loading
  /// the texture" is logged. The emission rate becomes maxParticles /
  /// particleLifespan. Returns false when the capacity is negative or refused,
  /// or "emitterType" is not 0 or 1 (assertion "Invalid emitterType in config
  /// file").
  /// \param dictionary the configuration, as read from a particle property
  ///   list.
  bool initWithDictionary(const platform::Value& dictionary);

  // [SECTION] Emission

  /// Adds one particle at index particleCount. False when full.
  bool addParticle();
  /// Fills `particle` as a newborn from the current configuration.
  /// \param particle the particle to fill.
  void initParticle(CCParticle* particle);
  /// Stops emitting; live particles keep moving until they die.
  void stopSystem();
  /// Emits again from elapsed 0; every live particle dies at the next update.
  void resetSystem();
  /// particleCount >= totalParticles (more when the limit was lowered below
  /// the live count).
  bool isFull() const { return particleCount_ >= totalParticles_; }

  /// Emits, then moves every live particle by `dt` and hands it to
  /// updateQuadWithParticle(). With autoRemoveOnFinish, once emission has
  /// ended and the last particle dies, unschedules itself and removes the
  /// node from its parent with cleanup (which may destroy it).
  void update(float dt) override;
  /// The subclass's per-particle hook: `newPosition` is where the particle is
  /// drawn, in the node's space (pixels). Does nothing here.
  /// \param particle the particle to fill.
  /// \param newPosition where the particle is drawn, in the node's space
  ///   (pixels).
  virtual void updateQuadWithParticle(CCParticle* particle, CGPoint newPosition);
  /// Called once after every update. Does nothing here.
  virtual void postStep();

  // [SECTION] Properties

  /// Emitting new particles. True from creation until stopSystem() or the
  /// end of the duration.
  bool active() const { return active_; }
  /// Live particles.
  unsigned int particleCount() const { return particleCount_; }
  /// Index of the particle being updated; after an update, the number of
  /// particles written for drawing.
  unsigned int particleIdx() const { return particleIdx_; }
  /// The live particles, particleCount() of them.
  const CCParticle* particles() const { return particles_; }

  /// Emission limit. Default: the capacity given at creation. Expects a value
  /// no larger than that capacity ("Particle system: totalParticles can't
  /// exceed the capacity given at creation"); a larger one is ignored.
  unsigned int totalParticles() const { return totalParticles_; }
  void setTotalParticles(unsigned int totalParticles);
  /// The capacity given at creation.
  unsigned int allocatedParticles() const { return allocatedParticles_; }

  /// Particles per second. 0 emits nothing (and the duration never ends).
  float emissionRate() const { return emissionRate_; }
  void setEmissionRate(float rate) { emissionRate_ = rate; }
  /// Seconds of emission; -1 (default) emits for ever.
  float duration() const { return duration_; }
  void setDuration(float duration) { duration_ = duration; }
  /// Seconds since emission began.
  float elapsed() const { return elapsed_; }

  /// Emitter position in the node's space, points. Default (0, 0).
  CGPoint sourcePosition() const { return sourcePosition_; }
  void setSourcePosition(CGPoint position) { sourcePosition_ = position; }
  /// ± variance of the birth position per axis, points.
  CGPoint posVar() const { return posVar_; }
  void setPosVar(CGPoint variance) { posVar_ = variance; }
  /// Seconds.
  float life() const { return life_; }
  void setLife(float life) { life_ = life; }
  float lifeVar() const { return lifeVar_; }
  void setLifeVar(float lifeVar) { lifeVar_ = lifeVar; }
  /// Emission direction, degrees (0 points along +x, 90 along +y).
  float angle() const { return angle_; }
  void setAngle(float angle) { angle_ = angle; }
  float angleVar() const { return angleVar_; }
  void setAngleVar(float angleVar) { angleVar_ = angleVar; }

  /// Points. endSize -1 keeps each particle's start size.
  float startSize() const { return startSize_; }
  virtual void setStartSize(float size) { startSize_ = size; }
  float startSizeVar() const { return startSizeVar_; }
  void setStartSizeVar(float variance) { startSizeVar_ = variance; }
  float endSize() const { return endSize_; }
  virtual void setEndSize(float size) { endSize_ = size; }
  float endSizeVar() const { return endSizeVar_; }
  void setEndSizeVar(float variance) { endSizeVar_ = variance; }

  /// Colours in 0..1; each particle's colour is clamped to 0..1.
  ccColor4F startColor() const { return startColor_; }
  void setStartColor(const ccColor4F& color) { startColor_ = color; }
  ccColor4F startColorVar() const { return startColorVar_; }
  void setStartColorVar(const ccColor4F& variance) { startColorVar_ = variance; }
  ccColor4F endColor() const { return endColor_; }
  void setEndColor(const ccColor4F& color) { endColor_ = color; }
  ccColor4F endColorVar() const { return endColorVar_; }
  void setEndColorVar(const ccColor4F& variance) { endColorVar_ = variance; }

  /// Particle rotation at birth and death, degrees.
  float startSpin() const { return startSpin_; }
  virtual void setStartSpin(float spin) { startSpin_ = spin; }
  float startSpinVar() const { return startSpinVar_; }
  virtual void setStartSpinVar(float variance) { startSpinVar_ = variance; }
  float endSpin() const { return endSpin_; }
  virtual void setEndSpin(float spin) { endSpin_ = spin; }
  float endSpinVar() const { return endSpinVar_; }
  virtual void setEndSpinVar(float variance) { endSpinVar_ = variance; }

  /// kCCPositionTypeFree (default), Relative or Grouped.
  int positionType() const { return positionType_; }
  void setPositionType(int type) { positionType_ = type; }
  /// Remove the node from its parent once emission has ended and the last
  /// particle has died. Default false.
  bool autoRemoveOnFinish() const { return autoRemoveOnFinish_; }
  void setAutoRemoveOnFinish(bool remove) { autoRemoveOnFinish_ = remove; }
  /// kCCParticleModeGravity (default) or kCCParticleModeRadius.
  int emitterMode() const { return emitterMode_; }
  void setEmitterMode(int mode) { emitterMode_ = mode; }

  // Gravity mode. Each accessor expects the gravity mode ("Particle Mode
  // should be Gravity"); the value is read or stored either way.
  CGPoint gravity() const;
  void setGravity(CGPoint gravity);
  float speed() const;
  void setSpeed(float speed);
  float speedVar() const;
  void setSpeedVar(float speedVar);
  float tangentialAccel() const;
  void setTangentialAccel(float accel);
  float tangentialAccelVar() const;
  void setTangentialAccelVar(float accelVar);
  float radialAccel() const;
  void setRadialAccel(float accel);
  float radialAccelVar() const;
  void setRadialAccelVar(float accelVar);

  // Radius mode. Each accessor expects the radius mode ("Particle Mode should
  // be Radius"); the value is read or stored either way. endRadius -1 keeps
  // the start radius.
  float startRadius() const;
  void setStartRadius(float radius);
  float startRadiusVar() const;
  void setStartRadiusVar(float radiusVar);
  float endRadius() const;
  void setEndRadius(float radius);
  float endRadiusVar() const;
  void setEndRadiusVar(float radiusVar);
  /// Degrees per second.
  float rotatePerSecond() const;
  void setRotatePerSecond(float degrees);
  float rotatePerSecondVar() const;
  void setRotatePerSecondVar(float degrees);

  // [SECTION] Texture and blending

  CCTexture2D* texture() const override { return texture_.get(); }
  /// Retains `texture`. A texture without premultiplied alpha turns the
  /// default blending (GL_ONE, GL_ONE_MINUS_SRC_ALPHA) into (GL_SRC_ALPHA,
  /// GL_ONE_MINUS_SRC_ALPHA).
  void setTexture(CCTexture2D* texture) override;
  ccBlendFunc blendFunc() const override { return blendFunc_; }
  void setBlendFunc(const ccBlendFunc& blendFunc) override { blendFunc_ = blendFunc; }
  /// True exactly when the blending is (GL_SRC_ALPHA, GL_ONE).
  bool blendAdditive() const;
  /// True sets (GL_SRC_ALPHA, GL_ONE); false sets (GL_ONE,
  /// GL_ONE_MINUS_SRC_ALPHA) without a texture or with premultiplied alpha,
  /// else (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA).
  void setBlendAdditive(bool additive);

 protected:
  /// dealloc: frees the particle array, then releases the texture.
  ~CCParticleSystem() override;

  // Particle systems of the receiving class, for the subclasses' factories.
  template <class T>
  static T* particleWithFileOf(const std::string& plistFile) {
    return platform::createAutoreleased<T>([&](T& system) { return system.initWithFile(plistFile); });
  }

  // Gravity-mode configuration (points; per second).
  struct GravityMode {
    CGPoint gravity;
    float speed = 0, speedVar = 0;
    float tangentialAccel = 0, tangentialAccelVar = 0;
    float radialAccel = 0, radialAccelVar = 0;
  };
  // Radius-mode configuration (points; degrees per second).
  struct RadiusMode {
    float startRadius = 0, startRadiusVar = 0;
    float endRadius = 0, endRadiusVar = 0;
    float rotatePerSecond = 0, rotatePerSecondVar = 0;
  };

  bool active_ = false;
  float duration_ = 0;
  float elapsed_ = 0;
  CGPoint sourcePosition_;
  CGPoint posVar_;
  float angle_ = 0, angleVar_ = 0;
  int emitterMode_ = kCCParticleModeGravity;
  GravityMode gravityMode_;
  RadiusMode radiusMode_;
  float startSize_ = 0, startSizeVar_ = 0, endSize_ = 0, endSizeVar_ = 0;
  float life_ = 0, lifeVar_ = 0;
  ccColor4F startColor_, startColorVar_, endColor_, endColorVar_;
  float startSpin_ = 0, startSpinVar_ = 0, endSpin_ = 0, endSpinVar_ = 0;
  CCParticle* particles_ = nullptr;  // owned (calloc), allocatedParticles_ long
  unsigned int totalParticles_ = 0;
  unsigned int allocatedParticles_ = 0;
  unsigned int particleCount_ = 0;
  float emissionRate_ = 0;
  float emitCounter_ = 0;
  platform::Ref<CCTexture2D> texture_;
  ccBlendFunc blendFunc_;
  int positionType_ = kCCPositionTypeFree;
  bool autoRemoveOnFinish_ = false;
  unsigned int particleIdx_ = 0;

 private:
  // The texture named by the dictionary, or decoded from its embedded image.
  CCTexture2D* textureFromDictionary(const platform::Value& dictionary);
};

/// Declares `static ClassName* particleWithFile(const std::string&)` building
/// a ClassName; every concrete particle class puts this in its public section.
#define CC_PARTICLE_FILE_FACTORY(ClassName)                              \
  /** A new autoreleased system configured by a property list.           \
      \param plistFile the property-list file, looked up like any resource. */ \
  static ClassName* particleWithFile(const std::string& plistFile) {     \
    return CCParticleSystem::particleWithFileOf<ClassName>(plistFile);   \
  }
