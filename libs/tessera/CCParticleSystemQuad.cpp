#include "tessera/CCParticleSystemQuad.h"

#include "platform/Assert.h"
#include "platform/Log.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Support/ccSinCos.h"

#include <algorithm>
#include <cstdlib>

// [SECTION] Creation
// [SECTION] Texture
// [SECTION] Update and drawing

// [SECTION] Creation

bool CCParticleSystemQuad::initWithTotalParticles(unsigned int numberOfParticles) {
  if (!CCParticleSystem::initWithTotalParticles(numberOfParticles)) return false;
  freeBuffers();
  const std::size_t count = std::max(numberOfParticles, 1u);
  quads_ = static_cast<ccV2F_C4F_T2F_Quad*>(std::calloc(count, sizeof(ccV2F_C4F_T2F_Quad)));
  indices_ = static_cast<GLushort*>(std::calloc(count * 6, sizeof(GLushort)));
  if (!quads_ || !indices_) {
    CCLOG("tessera: Particle system: not enough memory for %u quads", numberOfParticles);
    freeBuffers();
    return false;
  }
  // The whole texture (the unit square while there is none).
  CGRect whole = CGRectZero;
  if (texture_) {
    const float factor = CC_CONTENT_SCALE_FACTOR();
    whole = CGRectMake(0, 0, texture_->pixelsWide() / factor, texture_->pixelsHigh() / factor);
  }
  initTexCoordsWithRect(whole);
  initIndices();
  return true;
}

CCParticleSystemQuad::~CCParticleSystemQuad() { freeBuffers(); }

void CCParticleSystemQuad::freeBuffers() {
  std::free(quads_);
  std::free(indices_);
  quads_ = nullptr;
  indices_ = nullptr;
}

void CCParticleSystemQuad::initIndices() {
  for (unsigned int i = 0; i < allocatedParticles_; ++i) {
    const auto v = static_cast<GLushort>((i % kMaxQuadsPerDraw) * 4);
    GLushort* index = &indices_[static_cast<std::size_t>(i) * 6];
    index[0] = v;
    index[1] = static_cast<GLushort>(v + 1);
    index[2] = static_cast<GLushort>(v + 2);
    index[3] = static_cast<GLushort>(v + 3);
    index[4] = static_cast<GLushort>(v + 2);
    index[5] = static_cast<GLushort>(v + 1);
  }
}

// [SECTION] Texture

void CCParticleSystemQuad::initTexCoordsWithRect(CGRect pointRect) {
  if (!quads_) return;
  float left = 0, bottom = 1, right = 1, top = 0;
  if (texture_) {
    const float wide = static_cast<float>(texture_->pixelsWide());
    const float high = static_cast<float>(texture_->pixelsHigh());
    if (wide <= 0 || high <= 0) return;
    const CGRect rect = ccRectPointsToPixels(pointRect);
    left = rect.origin.x / wide;
    right = (rect.origin.x + rect.size.width) / wide;
    top = rect.origin.y / high;
    bottom = (rect.origin.y + rect.size.height) / high;
  }
  for (unsigned int i = 0; i < allocatedParticles_; ++i) {
    ccV2F_C4F_T2F_Quad& quad = quads_[i];
    quad.bl.texCoords = {left, bottom};
    quad.br.texCoords = {right, bottom};
    quad.tl.texCoords = {left, top};
    quad.tr.texCoords = {right, top};
  }
}

void CCParticleSystemQuad::setTexture(CCTexture2D* texture) {
  CGRect whole = CGRectZero;
  if (texture) {
    const float factor = CC_CONTENT_SCALE_FACTOR();
    whole = CGRectMake(0, 0, texture->pixelsWide() / factor, texture->pixelsHigh() / factor);
  }
  setTexture(texture, whole);
}

void CCParticleSystemQuad::setTexture(CCTexture2D* texture, CGRect rect) {
  const GLuint current = texture_ ? texture_->name() : 0;
  const GLuint next = texture ? texture->name() : 0;
  if (next != current) CCParticleSystem::setTexture(texture);
  initTexCoordsWithRect(rect);
}

void CCParticleSystemQuad::setDisplayFrame(CCSpriteFrame* frame) {
  if (!frame) return;
  CCAssert(CGPointEqualToPoint(frame->offsetInPixels(), CGPointZero),
           "QuadParticle only supports SpriteFrames with no offsets");
  CCTexture2D* texture = frame->texture();
  const GLuint current = texture_ ? texture_->name() : 0;
  if (texture && texture->name() != current) setTexture(texture);
}

// [SECTION] Update and drawing

void CCParticleSystemQuad::updateQuadWithParticle(CCParticle* particle, CGPoint newPosition) {
  ccV2F_C4F_T2F_Quad& quad = quads_[particleIdx_];
  const ccColor4F color = particle->color;
  quad.bl.colors = color;
  quad.br.colors = color;
  quad.tl.colors = color;
  quad.tr.colors = color;

  const float half = particle->size * 0.5f;
  const float x = newPosition.x, y = newPosition.y;
  if (particle->rotation != 0) {
    // The corners turn by -rotation degrees (clockwise on screen). The
    // degree-based sine and cosine are exact at quarter turns and several
    // times cheaper than the C library's on radians.
    float s = 0, c = 1;
    ccSinCosDegrees(-particle->rotation, &s, &c);
    // A corner at offset (dx, dy) turns to (dx c - dy s, dx s + dy c).
    const float hc = half * c, hs = half * s;
    quad.bl.vertices = {x - hc + hs, y - hs - hc};
    quad.br.vertices = {x + hc + hs, y + hs - hc};
    quad.tl.vertices = {x - hc - hs, y - hs + hc};
    quad.tr.vertices = {x + hc - hs, y + hs + hc};
  } else {
    quad.bl.vertices = {x - half, y - half};
    quad.br.vertices = {x + half, y - half};
    quad.tl.vertices = {x - half, y + half};
    quad.tr.vertices = {x + half, y + half};
  }
}

void CCParticleSystemQuad::draw() {
  glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
  const bool newBlend = !(blendFunc_ == ccBlendFunc{CC_BLEND_SRC, CC_BLEND_DST});
  if (newBlend) glBlendFunc(blendFunc_.src, blendFunc_.dst);
  CCAssert(particleIdx_ == particleCount_, "Abnormal error in particle quad");

  constexpr GLsizei stride = sizeof(ccV2F_C4F_T2F);
  const unsigned int count = std::min(particleIdx_, allocatedParticles_);
  for (unsigned int first = 0; first < count; first += kMaxQuadsPerDraw) {
    const unsigned int quads = std::min(kMaxQuadsPerDraw, count - first);
    const ccV2F_C4F_T2F* vertex = &quads_[first].bl;
    glVertexPointer(2, GL_FLOAT, stride, &vertex->vertices);
    glColorPointer(4, GL_FLOAT, stride, &vertex->colors);
    glTexCoordPointer(2, GL_FLOAT, stride, &vertex->texCoords);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(quads * 6), GL_UNSIGNED_SHORT, indices_);
  }

  if (newBlend) glBlendFunc(CC_BLEND_SRC, CC_BLEND_DST);
}
