#include "tessera/CCParticleSystemPoint.h"

#include "platform/Assert.h"
#include "platform/Log.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCTexture2D.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <algorithm>
#include <cstdlib>

// [SECTION] Creation
// [SECTION] Validating setters
// [SECTION] Update and drawing

namespace {

bool isPointSize(float size) { return size >= 0 && size <= CCParticleSystemPoint::kMaxPointSize; }

}  // namespace

// [SECTION] Creation

bool CCParticleSystemPoint::initWithTotalParticles(unsigned int numberOfParticles) {
  if (!CCParticleSystem::initWithTotalParticles(numberOfParticles)) return false;
  std::free(vertices_);
  vertices_ = static_cast<ccPointSprite*>(std::calloc(std::max(numberOfParticles, 1u), sizeof(ccPointSprite)));
  if (!vertices_) {
    CCLOG("tessera: Particle system: not enough memory for %u point sprites", numberOfParticles);
    return false;
  }
  return true;
}

CCParticleSystemPoint::~CCParticleSystemPoint() { std::free(vertices_); }

// [SECTION] Validating setters

void CCParticleSystemPoint::setStartSize(float size) {
  CCAssert(isPointSize(size), "PointParticleSystem only supports 0 <= size <= 64");
  if (isPointSize(size)) startSize_ = size;
}

void CCParticleSystemPoint::setEndSize(float size) {
  const bool valid = isPointSize(size) || size == kCCParticleStartSizeEqualToEndSize;
  CCAssert(valid, "PointParticleSystem only supports 0 <= size <= 64");
  if (valid) endSize_ = size;
}

void CCParticleSystemPoint::setStartSpin(float spin) {
  CCAssert(spin == 0, "PointParticleSystem doesn't support spinning");
  if (spin == 0) startSpin_ = spin;
}

void CCParticleSystemPoint::setStartSpinVar(float variance) {
  CCAssert(variance == 0, "PointParticleSystem doesn't support spinning");
  if (variance == 0) startSpinVar_ = variance;
}

void CCParticleSystemPoint::setEndSpin(float spin) {
  CCAssert(spin == 0, "PointParticleSystem doesn't support spinning");
  if (spin == 0) endSpin_ = spin;
}

void CCParticleSystemPoint::setEndSpinVar(float variance) {
  CCAssert(variance == 0, "PointParticleSystem doesn't support spinning");
  if (variance == 0) endSpinVar_ = variance;
}

// [SECTION] Update and drawing

void CCParticleSystemPoint::updateQuadWithParticle(CCParticle* particle, CGPoint newPosition) {
  ccPointSprite& vertex = vertices_[particleIdx_];
  vertex.pos = {newPosition.x, newPosition.y};
  vertex.colors = particle->color;
  vertex.size = particle->size;
}

void CCParticleSystemPoint::draw() {
  const unsigned int count = std::min(particleIdx_, allocatedParticles_);
  if (count == 0) return;

  const CCConfiguration* configuration = CCConfiguration::sharedConfiguration();
  const bool sprites = configuration->checkForGLExtension("GL_OES_point_sprite");
  const bool sizeArray = configuration->checkForGLExtension("GL_OES_point_size_array");

  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
  if (sprites) {
    glEnable(GL_POINT_SPRITE_OES);
    glTexEnvi(GL_POINT_SPRITE_OES, GL_COORD_REPLACE_OES, GL_TRUE);
  } else {
    // Plain points have no texture coordinates: draw them in their colour.
    glDisable(GL_TEXTURE_2D);
  }

  constexpr GLsizei stride = sizeof(ccPointSprite);
  glVertexPointer(2, GL_FLOAT, stride, &vertices_[0].pos);
  glColorPointer(4, GL_FLOAT, stride, &vertices_[0].colors);
  if (sizeArray) {
    glEnableClientState(GL_POINT_SIZE_ARRAY_OES);
    glPointSizePointerOES(GL_FLOAT, stride, &vertices_[0].size);
  }

  const bool newBlend = !(blendFunc_ == ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST});
  if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);

  if (sizeArray) {
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(count));
  } else {
    for (unsigned int i = 0; i < count; ++i) {
      glPointSize(vertices_[i].size);
      glDrawArrays(GL_POINTS, static_cast<GLint>(i), 1);
    }
    glPointSize(1);
  }

  if (newBlend) glBlendFunc(CC_BLEND_SRC, CC_BLEND_DST);
  if (sizeArray) glDisableClientState(GL_POINT_SIZE_ARRAY_OES);
  if (sprites) {
    glDisable(GL_POINT_SPRITE_OES);
  } else {
    glEnable(GL_TEXTURE_2D);
  }
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}
