#pragma once
// CCParticleSystemPoint: a particle system drawn as point sprites, each
// particle one GL point of its size with the whole texture on it.

#include "tessera/CCParticleSystem.h"

#include <type_traits>

/// One point sprite: position (pixels), colour, size (pixels). 28 bytes.
struct ccPointSprite {
  ccVertex2F pos;
  ccColor4F colors;
  GLfloat size = 0;
};
static_assert(sizeof(ccPointSprite) == 28 && std::is_standard_layout_v<ccPointSprite>);

/// A particle system drawn as point sprites, each particle one GL point of its
/// size with the whole texture on it.
///
/// Limits: sizes from 0 to 64 points and no spin (points can't turn). Where
/// the GL lacks point sprites (GL_OES_point_sprite) the points are drawn
/// untextured; where it lacks per-vertex point sizes
/// (GL_OES_point_size_array) each point is drawn on its own with
/// glPointSize. Mesa's OpenGL ES 1.1 has both.
///
/// Cost: one 28-byte vertex per particle, made at creation; one draw call.
class CCParticleSystemPoint : public CCParticleSystem {
  PLATFORM_CLASS(CCParticleSystemPoint, CCParticleSystem)

 public:
  CC_PARTICLE_FILE_FACTORY(CCParticleSystemPoint)

  /// The largest start or end size, points.
  static constexpr float kMaxPointSize = 64;

  CCParticleSystemPoint() = default;

  /// The base system plus the zero-filled vertices. Returns false and logs
  /// "tessera: Particle system: not enough memory ..." when they can't be
  /// allocated.
  bool initWithTotalParticles(unsigned int numberOfParticles) override;

  /// Expects 0 <= size <= 64 ("PointParticleSystem only supports 0 <= size <=
  /// 64"); the end size may also be -1. A refused size is not stored.
  void setStartSize(float size) override;
  void setEndSize(float size) override;
  /// Expects 0 ("PointParticleSystem doesn't support spinning"); any other
  /// value is not stored.
  void setStartSpin(float spin) override;
  void setStartSpinVar(float variance) override;
  void setEndSpin(float spin) override;
  void setEndSpinVar(float variance) override;

  /// Writes the vertex at particleIdx(): `newPosition`, colour and size.
  void updateQuadWithParticle(CCParticle* particle, CGPoint newPosition) override;
  /// Draws the points written by the last update; nothing when there are none.
  void draw() override;

  /// The vertices, allocatedParticles() of them.
  const ccPointSprite* vertices() const { return vertices_; }

 protected:
  /// dealloc: frees the vertices.
  ~CCParticleSystemPoint() override;

 private:
  ccPointSprite* vertices_ = nullptr;  // owned (calloc)
};
