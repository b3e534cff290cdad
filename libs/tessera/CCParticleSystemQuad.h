#pragma once
// CCParticleSystemQuad: a particle system drawn as one textured quad per
// particle, spun by each particle's rotation. Any texture rectangle (a
// sprite-sheet frame) may be used, and any particle size.

#include "tessera/CCParticleSystem.h"
#include "tessera/CCProgressTimer.h"  // ccV2F_C4F_T2F

#include <GLES/gl.h>

#include <type_traits>

class CCSpriteFrame;

/// One particle quad: bottom-left, bottom-right, top-left, top-right. 128 bytes.
struct ccV2F_C4F_T2F_Quad {
  ccV2F_C4F_T2F bl, br, tl, tr;
};
static_assert(sizeof(ccV2F_C4F_T2F_Quad) == 128 && std::is_standard_layout_v<ccV2F_C4F_T2F_Quad>);

/// A particle system drawn as one textured quad per particle, spun by each
/// particle's rotation. Any texture rectangle (a sprite-sheet frame) may be
/// used, and any particle size.
///
/// Cost: one 128-byte quad and six 16-bit indices per particle, made at
/// creation. Quads are written during update(); draw() hands them to GL in
/// one call per 16384 particles (what 16-bit indices can reach).
class CCParticleSystemQuad : public CCParticleSystem {
  PLATFORM_CLASS(CCParticleSystemQuad, CCParticleSystem)

 public:
  CC_PARTICLE_FILE_FACTORY(CCParticleSystemQuad)

  /// The most quads one glDrawElements call can index with 16-bit indices.
  static constexpr unsigned int kMaxQuadsPerDraw = 65536 / 4;

  CCParticleSystemQuad() = default;

  /// The base system plus the zero-filled quads and the indices; texture
  /// coordinates cover the whole texture (0..1 without one). Returns false
  /// and logs "tessera: Particle system: not enough memory ..." when they
  /// can't be allocated.
  bool initWithTotalParticles(unsigned int numberOfParticles) override;

  using CCParticleSystem::setTexture;
  /// setTexture(texture, the whole texture in points).
  void setTexture(CCTexture2D* texture) override;
  /// Uses `rect` (points) of `texture` for every particle. The texture is
  /// replaced only when its GL name differs from the current one.
  void setTexture(CCTexture2D* texture, CGRect rect);
  /// Sets the texture coordinates of every quad to `pointRect` of the
  /// texture: left = x / pixelsWide, top = y / pixelsHigh (t runs down), in
  /// pixels. Without a texture (or an empty one) nothing changes.
  /// \param pointRect the part of the texture to use, points, origin at its top
  ///   left.
  void initTexCoordsWithRect(CGRect pointRect);
  /// Uses the texture of `frame`, whole (the frame's rectangle is not used).
  /// Expects a frame with no offset ("QuadParticle only supports SpriteFrames
  /// with no offsets").
  void setDisplayFrame(CCSpriteFrame* frame);
  /// Fills the indices: quad i uses vertices v, v+1, v+2, v+3, v+2, v+1 with
  /// v = 4 (i mod kMaxQuadsPerDraw).
  void initIndices();

  /// Writes the quad at particleIdx(): the particle's colour on every corner,
  /// a square of its size about `newPosition`, turned by its rotation.
  void updateQuadWithParticle(CCParticle* particle, CGPoint newPosition) override;
  /// Draws the quads written by the last update. Expects particleIdx() ==
  /// particleCount() ("Abnormal error in particle quad").
  void draw() override;

  /// The quads, allocatedParticles() of them.
  const ccV2F_C4F_T2F_Quad* quads() const { return quads_; }
  const GLushort* indices() const { return indices_; }

 protected:
  /// dealloc: frees the quads and the indices.
  ~CCParticleSystemQuad() override;

 private:
  void freeBuffers();

  ccV2F_C4F_T2F_Quad* quads_ = nullptr;  // owned (calloc)
  GLushort* indices_ = nullptr;          // owned (calloc), six per particle
};
